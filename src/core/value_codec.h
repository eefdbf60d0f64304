// Values as self-describing text for storing them outside the process (the state snapshot):
// every kind and every array survives the round trip exactly, texts byte for byte.
// EncodeValue(Value("hi")) == "t2:hi"; a grid of 1 by 2 empties is "g1,2:ee".
#pragma once

#include <string>
#include <string_view>

#include "ravochat/value.h"

namespace ravochat::value_codec {

// The text of `value`: a kind letter, then e (empty) and n (null) alone; b0/b1; i, f and d
// (a date's seconds) with their number and ";"; t with the byte length, ":" and the bytes;
// a with the element count, g with rows "," columns, each then ":" and the elements.
std::string EncodeValue(const Value& value);

// The value of `text`. Throws ConversionError, naming the byte where it stops, for a text
// that EncodeValue did not make (cut short, a length beyond the end, text left over).
Value DecodeValue(std::string_view text);

}  // namespace ravochat::value_codec
