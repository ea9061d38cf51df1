// vestrel-udev-rules: prints the udev rules for the phones in the phone table, the built-in one
// and the user's own additions, e.g.
//   vestrel-udev-rules | sudo tee /etc/udev/rules.d/70-vestrel-phones.rules
#include <cstdio>
#include <iostream>

#include "platform/PhoneTable.h"
#include "platform/linux/UdevRules.h"

int main() {
  std::vector<std::string> problems;
  const auto table = vestrel::platform::LoadPhoneTable(problems);
  for (const auto& problem : problems) std::cerr << "vestrel-udev-rules: " << problem << '\n';
  std::cout << vestrel::platform::UdevRulesFor(table);
  return problems.empty() ? 0 : 1;
}
