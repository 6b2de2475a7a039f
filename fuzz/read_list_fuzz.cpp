// Fuzzing harness for free-form read statements (console answers): the value scanner runs on
// records cut from the input as the unit layer cuts them, one statement after another, with
// the item lists the dialogue uses. Byte 0 chooses the order of the item lists.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "harness_support.h"
#include "textio/freeform/free_form.h"
#include "textio/freeform/free_form_scan.h"

namespace {

// Records as the unit layer makes them: up to a line feed, a carriage return before it
// dropped, a last line without line feed still a record, a line of Ctrl+Z alone the end.
class BytesSource final : public textio::freeform::RecordSource {
 public:
  explicit BytesSource(std::string_view bytes) : rest_(bytes) {}
  int next(std::string_view& line) override {
    if (ended_ || rest_.empty()) {
      ended_ = true;
      return textio::freeform::kListEndOfFile;
    }
    const std::size_t feed = rest_.find('\n');
    line = rest_.substr(0, feed);
    rest_ = feed == std::string_view::npos ? std::string_view{} : rest_.substr(feed + 1);
    if (feed != std::string_view::npos && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (line == "\x1a") {
      ended_ = true;
      return textio::freeform::kListEndOfFile;
    }
    return 0;
  }
  bool exhausted() const { return ended_ || rest_.empty(); }

 private:
  std::string_view rest_;
  bool ended_ = false;
};

constexpr float kUntouched = 12345.5f;

struct Items {
  std::vector<char> text80 = std::vector<char>(80, '#');
  std::vector<char> text3000 = std::vector<char>(3000, '#');
  std::int32_t integer = -7;
  float reals[6] = {kUntouched, kUntouched, kUntouched, kUntouched, kUntouched, kUntouched};
};

// One statement with item list `kind`; returns its status.
int statement(textio::freeform::RecordSource& source, unsigned kind, Items& items) {
  using Item = textio::freeform::ListInItem;
  float* r = items.reals;
  const std::span<char> name(items.text80);
  switch (kind % 8) {
    case 0: {  // file name, whole-residue answer
      const Item list[] = {name};
      return textio::freeform::scanList(source, list);
    }
    case 1: {  // shape
      const Item list[] = {&items.integer};
      return textio::freeform::scanList(source, list);
    }
    case 2: {  // box
      const Item list[] = {&r[0], &r[1], &r[2], &r[3], &r[4], &r[5]};
      return textio::freeform::scanList(source, list);
    }
    case 3: {  // ball
      const Item list[] = {&r[0], &r[1], &r[2], &r[3]};
      return textio::freeform::scanList(source, list);
    }
    case 4: {  // cylinder
      const Item list[] = {&r[0], &r[1], &r[2], &r[3], &r[4]};
      return textio::freeform::scanList(source, list);
    }
    case 5:  // final wait, title line
      return textio::freeform::scanList(source, {});
    case 6: {  // every kind in one statement
      const Item list[] = {&items.integer, name, &r[0], &items.integer, &r[1]};
      return textio::freeform::scanList(source, list);
    }
    default: {  // a text longer than any value can be
      const Item list[] = {std::span<char>(items.text3000), name};
      return textio::freeform::scanList(source, list);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned order = data[0];
  BytesSource source(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  Items items;
  for (unsigned n = 0; n < 64 && !source.exhausted(); ++n) {
    const int status = statement(source, order + n * (1 + (order >> 3)), items);
    fuzzing::require(status == 0 || status == textio::freeform::kListEndOfFile ||
                         status == textio::freeform::kListSyntaxError ||
                         status == textio::freeform::kListConversionError,
                     "a read statement ended with a status it cannot have");
    for (float value : items.reals) {
      // Numbers beyond the float range are conversion errors, and no number form spells NaN.
      fuzzing::require(std::isfinite(value), "a float item received a non-finite value");
    }
    if (status != 0) break;
  }
  return 0;
}
