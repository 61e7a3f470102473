#include "common/text.h"

#include <cstring>

Text::Text(const char* s) : absent_(s == nullptr) {
  if (s) bytes_.assign(s, std::strlen(s));
}

Text::Text(std::string_view bytes) : absent_(false) {
  size_t nul = bytes.find('\0');
  bytes_.assign(bytes.data(), nul == std::string_view::npos ? bytes.size() : nul);
}

Bytes TextToBytes(const Text& text) {
  return Bytes(text.Str().begin(), text.Str().end());
}

Text BytesToText(const Bytes& bytes) {
  if (bytes.empty()) return Text("");
  return Text(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}
