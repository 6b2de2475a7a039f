// Fixed-column layouts: field descriptors, the layouts this tool uses (compile-time
// constants), the items of their fields, and a line converted through a layout without a
// unit. The statements that read and write units through a layout are fixed_statements.h's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace textio::layouts {

enum class FieldKind : char { I = 'I', A = 'A', F = 'F' };

struct FieldDescriptor {
  FieldKind kind;
  int repeat = 1;
  int width = 1;
  int decimals = 0;       // F only
  int minimumDigits = 1;  // I only
};

// A layout is a view of a constant descriptor array.
using FixedLayout = std::span<const FieldDescriptor>;

constexpr FieldDescriptor fieldI(int width, int repeat = 1) {
  return {FieldKind::I, repeat, width, 0, 1};
}
constexpr FieldDescriptor fieldA(int width, int repeat = 1) {
  return {FieldKind::A, repeat, width, 0, 1};
}
constexpr FieldDescriptor fieldF(int width, int decimals, int repeat = 1) {
  return {FieldKind::F, repeat, width, decimals, 1};
}

// The layouts of this tool, by name.
// (I5): the atom count on the coordinate file's second line; the count line after "yes".
inline constexpr std::array kI5{fieldI(5)};
// (I5,2A5,I5,3F8.3,3F8.4): one atom line, read and written.
inline constexpr std::array kAtomLine{fieldI(5), fieldA(5, 2), fieldI(5), fieldF(8, 3, 3),
                                      fieldF(8, 4, 3)};
// (I5,2A5,I5,3F(d).(d-5),3F(d).(d-4)): an atom line written with more decimals, its
// decimal points d columns apart (d = 8 gives kAtomLine's fields).
constexpr std::array<FieldDescriptor, 5> atomLineWithSpacing(int spacing) {
  return {fieldI(5), fieldA(5, 2), fieldI(5), fieldF(spacing, spacing - 5, 3),
          fieldF(spacing, spacing - 4, 3)};
}
// (A5): the two name answers.
inline constexpr std::array kA5{fieldA(5)};
// Region lines of result.gro, by shape.
inline constexpr std::array kBoxRegion{fieldA(14), fieldF(6, 2, 3), fieldF(6, 2, 3), fieldA(6),
                                       fieldA(5),  fieldA(6),       fieldA(5)};
inline constexpr std::array kBallRegion{fieldA(15), fieldF(6, 2, 3), fieldA(7), fieldF(5, 2),
                                        fieldA(6),  fieldA(5),       fieldA(9), fieldA(5)};
inline constexpr std::array kInvertBoxRegion{
    fieldA(21), fieldF(6, 2, 3), fieldF(6, 2, 3), fieldA(6), fieldA(5), fieldA(6), fieldA(5)};
inline constexpr std::array kInvertBallRegion{fieldA(22), fieldF(6, 2, 3), fieldA(7), fieldF(5, 2),
                                              fieldA(6),  fieldA(5),       fieldA(9), fieldA(5)};
inline constexpr std::array kCylinderRegion{fieldA(24), fieldF(5, 1, 5), fieldA(6),
                                            fieldA(5),  fieldA(6),       fieldA(5)};
inline constexpr std::array kInvertCylinderRegion{fieldA(31), fieldF(5, 1, 5), fieldA(6),
                                                  fieldA(5),  fieldA(6),       fieldA(5)};
// (I6): atom numbers of list.ndx (non-advancing) and residue numbers of residue.txt.
inline constexpr std::array kI6{fieldI(6)};
// (3F10.5): the last line of result.gro.
inline constexpr std::array kLastLine{fieldF(10, 5, 3)};

// Items of a write statement: an integer for I, a float for F, a text for A.
using FixedOutItem = std::variant<std::int32_t, float, std::string_view>;
// Items of a read statement: where an I, F or A field goes (a text of the span's length).
using FixedInItem = std::variant<std::int32_t*, float*, std::span<char>>;

// Where the item of one field lies in a record of the caller's: its byte offset, and for an
// A field the length of its text. The field's kind in the layout says what the item is: a
// 32-bit integer (I), a float (F) or `length` characters (A).
struct FieldPlace {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// The conversion of one read statement of readFixedRecords on a line given as text, without a
// unit: the same fields, the same rules, the same results. The places must lie on one line
// of the layout (no more places than fields). Returns 0, or the report number of the first
// field that could not be read (the fields before it are converted, the rest untouched).
// Touches nothing but `record` and allocates nothing for fields of up to 32 columns, so
// several threads may convert lines at once.
int readFixedLine(FixedLayout layout, std::span<const FieldPlace> places, std::string_view line,
                  void* record);

// The columns one write statement through `layout` builds from the fields at `places` within
// `record` (I an int32, F a float, A `length` characters), appended to `line` without a line
// end: the same fields, the same rules, the same text as writeFixed. The places must lie on
// one line of the layout. Returns 0, or the report number of the first field that could not
// be written. Touches nothing but `line`, so several threads may build lines at once.
int formatFixedLine(FixedLayout layout, std::span<const FieldPlace> places, const void* record,
                    std::string& line);

// formatFixedLine for many records of one shape: the layout is walked once, here, and each
// record's columns are written straight into the caller's memory by the fast formatters.
class LineFormat {
 public:
  LineFormat(FixedLayout layout, std::span<const FieldPlace> places);

  // Columns of every line this format writes; 0 when some field is not one the fast
  // formatters take at all (then formatFixedLine must build every line).
  std::size_t width() const { return width_; }

  // Writes width() columns for `record` at `out`, exactly those formatFixedLine appends, and
  // answers true; false when a value needs the general formatters (`out` is then spoilt and
  // formatFixedLine builds this line). Touches nothing but `out`.
  bool write(const void* record, char* out) const;

 private:
  struct Step {
    FieldKind kind;
    int width;
    int decimals;
    FieldPlace place;
  };
  static constexpr std::size_t kMostSteps = 16;
  // The atom line as GROMACS writes it, names of five columns: its formatters are built for
  // those widths and decimals.
  bool takesAtomLine() const;
  bool writeAtomLine(const char* fields, char* out) const;

  Step steps_[kMostSteps] = {};
  std::size_t stepCount_ = 0;
  std::size_t width_ = 0;
  bool atomLine_ = false;
};

}  // namespace textio::layouts
