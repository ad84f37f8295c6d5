#pragma once
// A multipart/form-data request body read as it arrives. It holds no more of the body than a
// part's header block or a boundary's length, so that a list of any size streams through.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The boundary a "multipart/form-data" content type names (quoted or not, 1 to 70
// characters), or none when the type is another or names no usable boundary.
std::optional<std::string> FormDataBoundary(std::string_view content_type);

// The value of parameter `name` in a header value such as `form-data; name="a"; x=b`
// (quoted or not, letter case of the name ignored), or none.
std::optional<std::string> HeaderParameter(std::string_view value, std::string_view name);

class MultipartReader {
 public:
  struct THandlers {
    std::function<void(std::string_view field)> part;        // a part begins: its field name
    std::function<void(const char*, std::size_t)> data;      // the next bytes of that part
  };

  MultipartReader(std::string_view boundary, THandlers handlers);

  // Takes the next bytes of the body; false once the body is malformed (it then stays so).
  // Bytes before the first boundary and after the closing one are ignored, as the format asks.
  bool Feed(const char* data, std::size_t size);
  // Whether the closing boundary has arrived.
  bool Finished() const { return state_ == State::Finished; }

 private:
  enum class State { Preamble, AfterBoundary, PartHeaders, PartData, Finished, Failed };

  // Reads what `pending_` allows in the current state; false when it needs more bytes.
  bool Step();
  // Passes on all of `pending_` but what may be the beginning of a delimiter.
  void PassOnAllButTail(bool emit);

  std::string delimiter_;          // CR LF "--" boundary, as it precedes every boundary line
  THandlers handlers_;             // where parts go
  std::string pending_;            // bytes received and not yet handled
  State state_ = State::Preamble;  // where in the body the reader is
};
