// Stands in for the archiver in the Windows tests: appends each call's arguments, one a line, and
// then the folder it was started in to args.txt beside itself. "a -df -ep -m5 ARCHIVE FILE"
// writes FILE into ARCHIVE behind a marker line and removes FILE; "t ARCHIVE" passes an archive
// that is there, unless test-fails lies beside the stand-in (exit 3).
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return 1;
  const fs::path folder = fs::path(self).parent_path();
  {
    std::ofstream out(folder / "args.txt", std::ios::binary | std::ios::app);
    for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
    out << fs::current_path().string() << '\n';
  }
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "a" && argc == 7) {
    {
      std::ifstream in(argv[6], std::ios::binary);
      std::ofstream archive(argv[5], std::ios::binary);
      archive << "archive\n" << in.rdbuf();
    }
    return fs::remove(argv[6]) ? 0 : 1;
  }
  if (command == "t" && argc == 3) {
    return fs::exists(argv[2]) && !fs::exists(folder / "test-fails") ? 0 : 3;
  }
  return 2;
}
