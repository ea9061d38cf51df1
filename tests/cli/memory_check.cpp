// memory_check FILE START: exit 0 when FILE holds the virtual phone's memory from START (hex)
// on, byte for byte.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/virtual/VirtualFlash.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) return 1;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  const auto start = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 16));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto expected =
        vestrel::virtualphone::VirtualFlash::MemoryByte(start + static_cast<std::uint32_t>(i));
    if (static_cast<std::uint8_t>(bytes[i]) != expected) {
      std::fprintf(stderr, "byte %zu differs\n", i);
      return 1;
    }
  }
  return bytes.empty() ? 1 : 0;
}
