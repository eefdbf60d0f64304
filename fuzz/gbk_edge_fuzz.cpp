// The GBK edge from arbitrary bytes, read both as GBK from the wire and as UTF-8 inside:
// decoding never fails, and text decoded from the wire goes back out and in unchanged
// where GBK can carry it.
#include <cstdint>
#include <string>
#include <string_view>

#include "server/transport/gbk_edge.h"
#include "text/gbk.h"

using namespace ravochat;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = server::FromWire(bytes);
  const std::string wire = server::ToWire(utf8);
  // U+FFFD has no GBK code and goes out as a character reference; all else round-trips.
  if (utf8.find("\xEF\xBF\xBD") == std::string::npos && utf8.find('&') == std::string::npos &&
      server::FromWire(wire) != utf8) {
    __builtin_trap();
  }
  server::ToWire(bytes);
  text::GbkCodes(bytes);
  text::GbkToUtf8(bytes);
  text::Utf8ToGbk(bytes);
  return 0;
}
