#pragma once
// Cuts the terminal's outbound stream into messages. The terminal sends bare JSON objects back to
// back, with no length and no terminator, and TCP may split or join them anywhere; the JSON
// parser itself tells where one value ends and whether a cut-off one may still complete.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

struct TReceived {
  bool Parsed = false;  // Value holds a message; otherwise Raw holds bytes that never parse
  nlohmann::json Value;
  std::string Raw;
};

class TMessageSplitter {
 public:
  // An unfinished message larger than this is given up as garbage rather than buffered forever.
  static constexpr std::size_t kMaxPending = 1 << 20;

  // Adds the bytes of one read; returns every message completed by them, in order.
  std::vector<TReceived> Feed(std::string_view bytes);

 private:
  std::string FBuffer;
};
