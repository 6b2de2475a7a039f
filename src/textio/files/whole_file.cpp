// Whole-file output straight through the platform: no unit, no record structure.
#include "textio/files/whole_file.h"

#include "platform/platform.h"

namespace textio::files {

int writeNewFile(std::string_view name, std::string_view text) {
  const platform::OpenResult opened =
      platform::openFile(name, platform::Creation::CreateNew, platform::Access::ReadWrite);
  if (opened.error != 0) return opened.error;
  const int error = platform::writeAll(opened.handle, text.data(), text.size());
  const int closed = platform::closeHandle(opened.handle);
  return error != 0 ? error : closed;
}

}  // namespace textio::files
