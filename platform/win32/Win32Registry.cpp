#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Win32Text.h"

namespace vestrel::platform {
namespace {

class Win32Key final : public RegistryKey {
 public:
  explicit Win32Key(HKEY key) : key_(key) {}
  ~Win32Key() override { RegCloseKey(key_); }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  std::optional<std::string> readString(const std::string& name) override {
    std::wstring wideName = toWide(name);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
      return std::nullopt;
    }
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key_, wideName.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    return fromWide(std::wstring(buffer.data()));
  }

  bool writeString(const std::string& name, const std::string& data) override {
    std::wstring wideData = toWide(data);
    auto bytes = static_cast<DWORD>((wideData.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_, toWide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(wideData.c_str()), bytes) == ERROR_SUCCESS;
  }

  bool deleteValue(const std::string& name) override {
    return RegDeleteValueW(key_, toWide(name).c_str()) == ERROR_SUCCESS;
  }

 private:
  HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Registry::openKey(RegistryRoot root, const std::string& path) {
  std::string relative = path;
  while (!relative.empty() && relative.front() == '\\') relative.erase(relative.begin());
  HKEY rootKey = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  HKEY key = nullptr;
  // Write access is asked for first; without rights the key still opens for reading.
  if (RegOpenKeyExW(rootKey, toWide(relative).c_str(), 0, KEY_READ | KEY_WRITE, &key) !=
          ERROR_SUCCESS &&
      RegOpenKeyExW(rootKey, toWide(relative).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32Key>(key);
}

}  // namespace vestrel::platform
