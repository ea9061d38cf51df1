#include "backup/ElementFile.h"

#include <array>
#include <span>

namespace vestrel::backup {

namespace fs = std::filesystem;
using phonefiles::HostError;

std::unique_ptr<ElementFile> ElementFile::Open(const fs::path& file, std::function<bool()> stop,
                                               HostError& error) {
  auto target = phonefiles::HostTarget::Open(file, false, error);
  if (!target) return nullptr;
  return std::unique_ptr<ElementFile>(new ElementFile(std::move(target), std::move(stop)));
}

ElementFile::ElementFile(std::unique_ptr<phonefiles::HostTarget> target, std::function<bool()> stop)
    : target_(std::move(target)), stop_(std::move(stop)) {}

ElementFile::~ElementFile() = default;

const HostError& ElementFile::HostFailure() const { return target_->Error(); }

bool ElementFile::Take(const char* bytes, std::size_t count) {
  if (stop_ && stop_()) {
    stopped_ = true;
    return false;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes);
  if (!target_->Write(std::span(data, count))) return false;
  written_ += count;
  return true;
}

std::streamsize ElementFile::Buffer::xsputn(const char* bytes, std::streamsize count) {
  return owner_.Take(bytes, static_cast<std::size_t>(count)) ? count : 0;
}

ElementFile::Buffer::int_type ElementFile::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return owner_.Take(&byte, 1) ? c : traits_type::eof();
}

bool ElementFile::Commit() { return target_->Commit(); }

fs::path ElementFile::KeepApart() {
  const fs::path temporary = target_->Temporary();
  if (written_ == 0 || temporary.empty()) {
    target_->Discard();
    return {};
  }
  HostError error;
  auto source = phonefiles::HostSource::Open(temporary, error);
  auto kept = source ? phonefiles::KeptFile::Create(
                           target_->Destination().parent_path(),
                           target_->Destination().filename().string() + ".incomplete", error)
                     : nullptr;
  bool copied = kept != nullptr;
  std::array<std::uint8_t, 65536> block{};
  while (copied) {
    const std::int64_t n = source->Read(block);
    if (n <= 0) {
      copied = n == 0;
      break;
    }
    copied = kept->Write(std::span(block).first(static_cast<std::size_t>(n)));
  }
  target_->Discard();
  if (!kept) return {};
  if (copied && kept->Close()) return kept->Path();
  kept->Remove();
  return {};
}

}  // namespace vestrel::backup
