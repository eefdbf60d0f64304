// The edge transcoding, on the text rules' code page 936 converter.
#include "transport/gbk_edge.h"

#include "ravochat/gbk.h"

namespace ravochat::server {

std::string ToWire(std::string_view utf8) { return text::Utf8ToGbk(utf8); }

std::string FromWire(std::string_view gbk) { return text::GbkToUtf8(gbk); }

std::string FromWireValue(std::string_view gbk) {
  return text::DecodeForeignReferences(FromWire(gbk));
}

}  // namespace ravochat::server
