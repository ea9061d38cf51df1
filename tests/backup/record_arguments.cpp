// Stands in for the archiver in the Windows tests: writes its arguments, one a line, and then the
// folder it was started in to args.txt beside itself. The file takes its name only once whole.
#include <windows.h>

#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return 1;
  const std::filesystem::path folder = std::filesystem::path(self).parent_path();
  {
    std::ofstream out(folder / "args.txt.tmp", std::ios::binary);
    for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
    out << std::filesystem::current_path().string() << '\n';
  }
  std::filesystem::rename(folder / "args.txt.tmp", folder / "args.txt");
  return 0;
}
