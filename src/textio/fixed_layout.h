// Fixed-column layouts: field descriptors, the layouts this tool uses (compile-time
// constants), and the read and write statements that walk a layout over one line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <variant>

namespace textio {

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

namespace layouts {
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
}  // namespace layouts

// Items of a write statement: an integer for I, a float for F, a text for A.
using FixedOutItem = std::variant<std::int32_t, float, std::string_view>;
// Items of a read statement: where an I, F or A field goes (a text of the span's length).
using FixedInItem = std::variant<std::int32_t*, float*, std::span<char>>;

enum class Advance { Yes, No };
enum class ReturnOnEnd { No, Yes };
enum class ReturnOnError { No, Yes };

// Reads one line (more when the items outnumber the fields) through `layout`. Returns 0,
// or -1 at end of file with ReturnOnEnd::Yes, or the report number of a failure with
// ReturnOnError::Yes; without the matching request a failure is a severe report.
int readFixed(int unit, FixedLayout layout, std::initializer_list<FixedInItem> items,
              ReturnOnEnd onEnd = ReturnOnEnd::No, ReturnOnError onError = ReturnOnError::No);

// Where the item of one field lies in a record of the caller's: its byte offset, and for an
// A field the length of its text. The field's kind in the layout says what the item is: a
// 32-bit integer (I), a float (F) or `length` characters (A).
struct FieldPlace {
  std::size_t offset = 0;
  std::size_t length = 0;
};

struct FixedRecordsRead {
  std::size_t records = 0;     // records filled
  std::size_t statements = 0;  // read statements made
  bool ended = false;          // a statement met the end of the file
};

// Makes up to `statements` read statements on `unit`, each exactly as readFixed through
// `layout` with both return requests, whose items are the places within the next record
// of `records` (consecutive records `stride` bytes apart). A statement that fails leaves its
// record to the next one; the end of the file ends the reading, and so does a record count
// of `capacity`. One lookup of the unit serves all of them, so a file of many lines is read
// without the cost of a statement per line.
FixedRecordsRead readFixedRecords(int unit, FixedLayout layout, std::span<const FieldPlace> places,
                                  void* records, std::size_t stride, std::size_t capacity,
                                  std::size_t statements);

// Builds one line from the items and writes it (Advance::Yes) or leaves it pending
// (Advance::No) for the next statement on the unit to continue.
void writeFixed(int unit, FixedLayout layout, std::initializer_list<FixedOutItem> items,
                Advance advance = Advance::Yes);

}  // namespace textio
