#include "platform/fake/MemoryRegistry.h"

#include <algorithm>
#include <cctype>

namespace vestrel::platform {
namespace {

std::string folded(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

class MemoryRegistryKey final : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry::Values& values, bool writable)
      : values_(values), writable_(writable) {}

  std::optional<std::string> readString(const std::string& name) override {
    auto found = values_.find(folded(name));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  bool writeString(const std::string& name, const std::string& data) override {
    if (!writable_) return false;
    values_[folded(name)] = data;
    return true;
  }
  bool deleteValue(const std::string& name) override {
    return writable_ && values_.erase(folded(name)) > 0;
  }

 private:
  MemoryRegistry::Values& values_;
  bool writable_;
};

MemoryRegistry::KeyId MemoryRegistry::keyId(RegistryRoot root, const std::string& path) {
  std::string trimmed = path;
  trimmed.erase(0, trimmed.find_first_not_of('\\'));
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  return {root, folded(trimmed)};
}

std::unique_ptr<RegistryKey> MemoryRegistry::openKey(RegistryRoot root, const std::string& path) {
  auto found = keys_.find(keyId(root, path));
  if (found == keys_.end()) return nullptr;
  return std::make_unique<MemoryRegistryKey>(found->second, !readOnlyRoots_.contains(root));
}

void MemoryRegistry::createKey(RegistryRoot root, const std::string& path) {
  keys_[keyId(root, path)];
}

std::optional<std::string> MemoryRegistry::value(RegistryRoot root, const std::string& path,
                                                 const std::string& name) const {
  auto key = keys_.find(keyId(root, path));
  if (key == keys_.end()) return std::nullopt;
  auto found = key->second.find(folded(name));
  if (found == key->second.end()) return std::nullopt;
  return found->second;
}

void MemoryRegistry::setValue(RegistryRoot root, const std::string& path, const std::string& name,
                              const std::string& data) {
  keys_[keyId(root, path)][folded(name)] = data;
}

}  // namespace vestrel::platform
