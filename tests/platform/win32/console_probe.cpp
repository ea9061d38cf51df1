// Writes the console's output code page before, while and after a Utf8Console lives into the
// file named by its argument, as "before while after", so a test can run it on a console.
#include <windows.h>

#include <fstream>

#include "platform/Console.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const UINT before = GetConsoleOutputCP();
  UINT during = 0;
  {
    const vestrel::platform::Utf8Console console;
    during = GetConsoleOutputCP();
  }
  std::ofstream(argv[1]) << before << ' ' << during << ' ' << GetConsoleOutputCP() << '\n';
  return 0;
}
