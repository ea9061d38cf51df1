#include "platform/win32/Win32Shell.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "platform/Environment.h"
#include "platform/HostFileSystem.h"
#include "platform/win32/Win32Text.h"

namespace vestrel::platform {
namespace {

// ShellExecute reports success with a value above 32.
bool executed(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

// One command-line word, quoted when it holds a blank or a quote.
std::wstring quotedWord(const std::wstring& word) {
  if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) return word;
  std::wstring out = L"\"";
  for (wchar_t c : word) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

}  // namespace

bool Win32Shell::openAddress(const std::string& address) {
  return executed(
      ShellExecuteW(nullptr, L"open", toWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

bool Win32Shell::startProgram(const std::filesystem::path& program,
                              const std::vector<std::string>& arguments,
                              const std::filesystem::path& folder) {
  std::wstring parameters;
  for (const auto& argument : arguments) {
    if (!parameters.empty()) parameters += L' ';
    parameters += quotedWord(toWide(argument));
  }
  return executed(ShellExecuteW(nullptr, L"open", program.wstring().c_str(), parameters.c_str(),
                                folder.wstring().c_str(), SW_SHOWNORMAL));
}

std::optional<int> Win32Shell::runProgram(const std::filesystem::path& program,
                                          const std::vector<std::string>& arguments,
                                          const std::filesystem::path& folder) {
  std::wstring commandLine = quotedWord(program.wstring());
  for (const auto& argument : arguments) commandLine += L' ' + quotedWord(toWide(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.wstring().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NO_WINDOW, nullptr, folder.wstring().c_str(), &startup, &process)) {
    return std::nullopt;
  }
  CloseHandle(process.hThread);
  DWORD code = 0;
  const bool ended = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  if (!ended) return std::nullopt;
  return static_cast<int>(code);
}

std::filesystem::path Win32Shell::shortPathName(const std::filesystem::path& path) {
  const std::wstring longName = path.wstring();
  const DWORD size = GetShortPathNameW(longName.c_str(), nullptr, 0);
  if (size == 0) return path;
  std::wstring buffer(size, L'\0');
  const DWORD length = GetShortPathNameW(longName.c_str(), buffer.data(), size);
  if (length == 0 || length >= size) return path;
  buffer.resize(length);
  return std::filesystem::path(buffer);
}

std::filesystem::path Win32Shell::executablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::filesystem::path(buffer.substr(0, length));
    buffer.resize(buffer.size() * 2);
  }
}

std::filesystem::path Win32Shell::programHome() {
  if (const auto home = EnvironmentText("VESTREL_HOME")) return PathFromUtf8(*home);
  return executablePath().parent_path();
}

std::string Win32Shell::systemCodePageText(const std::string& utf8) {
  const std::wstring wide = toWide(utf8);
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

}  // namespace vestrel::platform
