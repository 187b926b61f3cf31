#include "TMessageSplitter.h"

#include <sstream>

std::vector<TReceived> TMessageSplitter::Feed(std::string_view bytes) {
  FBuffer.append(bytes);
  std::vector<TReceived> out;
  std::istringstream stream(FBuffer);
  std::size_t consumed = 0;
  // Every pass either consumes at least one byte or leaves the loop.
  while (consumed < FBuffer.size()) {
    nlohmann::json value;
    try {
      stream >> value;
    } catch (const nlohmann::json::parse_error& error) {
      // The parser reports where it stopped, counted from this value's start: past the end of
      // the buffer means the text was only cut off; inside it, the bytes can never parse.
      const bool cutOff = consumed + error.byte > FBuffer.size();
      if (!cutOff || FBuffer.size() - consumed > kMaxPending) {
        out.push_back({false, {}, FBuffer.substr(consumed)});
        consumed = FBuffer.size();
      }
      break;
    }
    const std::streamoff next = stream.tellg();
    const std::size_t end = next < 0 ? FBuffer.size() : static_cast<std::size_t>(next);
    out.push_back({true, std::move(value), {}});
    consumed = end > consumed ? end : FBuffer.size();
  }
  FBuffer.erase(0, consumed);
  return out;
}
