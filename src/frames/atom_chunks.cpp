// Chunks of atom records from unit 10: blocks converted on the crew while the next block is
// read, the per-line reads for what the bulk path does not take.
#include "frames/atom_chunks.h"

#include <algorithm>

#include "platform/crew.h"
#include "platform/platform.h"
#include "textio/layouts/fixed_statements.h"
#include "textio/reports/report_code.h"
#include "textio/units/report.h"

namespace frames {
namespace {

// A block joins a chunk that is not empty only when the chunk has room for one line per this
// many bytes of it: atom lines are far longer, so a block is rarely cut, and a cut one is
// handed back to the unit and read again (correct, only slower).
constexpr std::size_t kShortestLikelyLine = 32;

}  // namespace

PageBlock::PageBlock(std::size_t bytes)
    : bytes_(std::max<std::size_t>(bytes, 1)), data_(platform::allocatePages(bytes_)) {
  if (data_ == nullptr) textio::units::issueReport(textio::reports::severeCode(41));
}

PageBlock::~PageBlock() { platform::releasePages(data_, bytes_); }

void PageBlock::prepare(std::size_t bytes) {
  bytes = std::min(bytes, bytes_);
  if (bytes <= prepared_) return;
  platform::preparePages(static_cast<char*>(data_) + prepared_, bytes - prepared_);
  prepared_ = bytes;
}

AtomChunkReader::AtomChunkReader(const LoadTuning& tuning, std::optional<std::uint64_t> fileBytes)
    : tuning_(tuning),
      capacity_(std::max<std::size_t>(tuning.chunkRecords, 1)),
      room_(capacity_ * sizeof(AtomRecord)),
      records_(static_cast<AtomRecord*>(room_.data())) {
  // A small file needs no buffers larger than itself.
  blockBytes_ = std::max<std::size_t>(1, tuning.blockBytes);
  if (fileBytes) {
    blockBytes_ = static_cast<std::size_t>(
        std::max<std::uint64_t>(1, std::min<std::uint64_t>(blockBytes_, *fileBytes + 1)));
  }
}

AtomChunkReader::~AtomChunkReader() {
  if (flying_) converter_->finish();
}

void AtomChunkReader::begin(std::uint64_t statements, int spacing) {
  if (flying_) {
    // A reading left before its end: the block under way is let go.
    converter_->finish();
    flying_ = false;
    input_->giveBack(0);
    inBlock_ = false;
  }
  left_ = statements;
  done_ = statements == 0;
  inBlock_ = false;
  layout_ = atomLineLayout(spacing);
  // The bulk path converts the standard layout; wider fields take the per-line path.
  bulk_ = tuning_.path == LoadTuning::Path::Bulk && spacing == 0;
  if (bulk_ && !input_) {
    input_.emplace(blockBytes_);
    if (!input_->ready()) {
      input_.reset();
      bulk_ = false;
      return;
    }
    // No more threads than a block has parts worth a thread (one for a small file).
    const unsigned cores = tuning_.threads != 0 ? tuning_.threads : platform::cores();
    const std::size_t worth =
        std::max<std::size_t>(1, blockBytes_ / std::max<std::size_t>(tuning_.minPartBytes, 1));
    // The passes run on this thread while the crew converts the next block, and this thread
    // takes the parts left when it is done: counted among the threads, it keeps every thread
    // on a core of its own instead of taking turns with the others.
    converter_.emplace(static_cast<unsigned>(std::min<std::size_t>(cores, worth)),
                       tuning_.minPartBytes, false, /*alongside=*/true);
    otherRoom_.emplace(capacity_ * sizeof(AtomRecord));
    other_ = static_cast<AtomRecord*>(otherRoom_->data());
  }
  bulk_ = bulk_ && input_.has_value();
  if (converter_) converter_->setRecordTest(test_);
}

bool AtomChunkReader::nextPerLine() {
  const textio::layouts::FixedRecordsRead got = textio::layouts::readFixedRecords(
      kCoordinateUnit, layout_, kAtomLinePlaces, records_, sizeof(AtomRecord), capacity_,
      static_cast<std::size_t>(std::min<std::uint64_t>(left_, capacity_)));
  left_ -= got.statements;
  size_ = got.records;
  if (test_) test_(records_, size_);
  if (got.ended || left_ == 0) done_ = true;
  return true;
}

bool AtomChunkReader::land() {
  const AtomLinesRead got = converter_->finish();  // this thread helps first
  left_ -= got.lines;
  size_ += got.records;
  if (got.stopped || left_ == 0 || got.bytes < flyingBlockBytes_) {
    // The byte 26 that ends a file, the last statement, or a chunk full before the block's
    // end: the rest goes back to the unit.
    input_->giveBack(got.bytes);
    inBlock_ = false;
    if (got.stopped || left_ == 0) done_ = true;
    return true;
  }
  input_->next();
  return false;
}

void AtomChunkReader::prepareRoom(AtomRecord* room, std::size_t from, std::size_t most,
                                  std::size_t blockBytes) {
  const std::size_t records = std::min(most, blockBytes / kShortestLikelyLine + 1);
  PageBlock* const block = room == room_.data()                       ? &room_
                           : otherRoom_ && room == otherRoom_->data() ? &*otherRoom_
                                                                      : nullptr;
  if (block != nullptr) block->prepare((from + records) * sizeof(AtomRecord));
}

void AtomChunkReader::launch() {
  if (!inBlock_) {
    input_->begin(kCoordinateUnit);
    inBlock_ = true;
  }
  const std::string_view block = input_->lines();
  if (block.empty()) return;  // for the per-line path, in next()
  flyingBlockBytes_ = block.size();
  const auto most = static_cast<std::size_t>(std::min<std::uint64_t>(left_, capacity_));
  prepareRoom(other_, 0, most, block.size());
  converter_->start(block.data(), block.size(), most, other_);
  input_->readAhead();
  flying_ = true;
}

void AtomChunkReader::endChunk() {
  if (done_ && inBlock_) {
    input_->giveBack(0);
    inBlock_ = false;
  }
  if (!done_) launch();
}

bool AtomChunkReader::next() {
  size_ = 0;
  if (flying_) {
    flying_ = false;
    std::swap(records_, other_);
    if (land()) {
      endChunk();
      return true;
    }
  } else if (done_) {
    return false;
  }
  if (!bulk_) return nextPerLine();
  while (!done_ && size_ < capacity_) {
    if (!inBlock_) {
      input_->begin(kCoordinateUnit);
      inBlock_ = true;
    }
    const std::string_view block = input_->lines();
    if (block.empty()) {
      // A line longer than a block, a last line without a line feed, the end or a failed
      // read: one statement of the per-line path, which meets them as a whole-file load does.
      input_->giveBack(0);
      inBlock_ = false;
      const textio::layouts::FixedRecordsRead one = textio::layouts::readFixedRecords(
          kCoordinateUnit, layout_, kAtomLinePlaces, records_ + size_, sizeof(AtomRecord),
          capacity_ - size_, 1);
      left_ -= one.statements;
      if (test_) test_(records_ + size_, one.records);
      size_ += one.records;
      if (one.ended || left_ == 0) done_ = true;
      continue;
    }
    const std::size_t room = capacity_ - size_;
    if (size_ > 0 && room < block.size() / kShortestLikelyLine) break;  // the next chunk's
    flyingBlockBytes_ = block.size();
    const auto most = static_cast<std::size_t>(std::min<std::uint64_t>(left_, room));
    prepareRoom(records_, size_, most, block.size());
    converter_->start(block.data(), block.size(), most, records_ + size_);
    input_->readAhead();
    if (land()) break;
  }
  endChunk();
  return true;
}

}  // namespace frames
