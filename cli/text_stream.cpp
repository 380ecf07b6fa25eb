#include "cli/text_stream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include <lipimattam/code_pages.h>
#include <lipimattam/convert.h>
#include <lipimattam/cut_points.h>
#include <lipimattam/utf16.h>

namespace lipimattam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// How far the cut rules look past a cut: a cut is sought only this far before the end of what
// has arrived, so that what arrives later cannot change it.
constexpr std::size_t kLookAhead = 3;

// A growing array whose new room is not filled: every unit or byte is written once, by the
// decoder or the encoder, and the pages of a big piece are not zeroed first.
template <typename Unit>
class Buffer {
 public:
  [[nodiscard]] Unit* data() { return data_.get(); }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] std::basic_string_view<Unit> View() const { return {data_.get(), size_}; }

  // Room for `count` more after the end.
  Unit* Room(std::size_t count) {
    if (capacity_ - size_ < count) {
      const std::size_t capacity = std::max(size_ + count, capacity_ + capacity_ / 2);
      std::unique_ptr<Unit[]> grown(new Unit[capacity]);
      if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_ * sizeof(Unit));
      data_ = std::move(grown);
      capacity_ = capacity;
    }
    return data_.get() + size_;
  }
  void Added(std::size_t count) { size_ += count; }
  void Append(std::basic_string_view<Unit> more) {
    std::copy(more.begin(), more.end(), Room(more.size()));
    Added(more.size());
  }
  // Drops the first `count`.
  void Drop(std::size_t count) {
    if (count == 0) return;  // the buffer may not exist yet
    std::memmove(data_.get(), data_.get() + count, (size_ - count) * sizeof(Unit));
    size_ -= count;
  }
  void Clear() { size_ = 0; }

 private:
  std::unique_ptr<Unit[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// The length of the valid or invalid UTF-8 in `bytes` that has all its bytes: a character whose
// lead byte asks for more bytes than follow it is left for later.
std::size_t CompleteLength(std::string_view bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t back = 1; back <= std::min<std::size_t>(size, 3); ++back) {
    const auto byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0u) == 0x80u) continue;
    const std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? size - back : size;
  }
  return size;
}

CodePage CodePageOf(Encoding encoding) {
  switch (encoding) {
    case Encoding::kCp1252:
      return CodePage::kCp1252;
    case Encoding::kMacRoman:
      return CodePage::kMacRoman;
    case Encoding::kUtf8:
    case Encoding::kLatin1:
      break;
  }
  return CodePage::kLatin1;
}

char32_t CodePointAt(std::u16string_view units, std::size_t at) {
  if (IsHighSurrogate(units[at]) && at + 1 < units.size() && IsLowSurrogate(units[at + 1]))
    return 0x10000 + ((static_cast<char32_t>(units[at]) - 0xD800) << 10) + (units[at + 1] - 0xDC00);
  return units[at];
}

}  // namespace

class TextStream::Impl {
 public:
  Impl(const TextStreamSettings& settings, BytesSink put)
      : settings_(settings), put_(std::move(put)), reader_(settings.forms) {}

  void BeginInput() {
    segments_.push_back({units_.size(), input_count_++, TextPosition{}, 0});
    input_bytes_ = 0;
    at_input_start_ = true;
  }

  std::optional<TextStreamError> Add(std::string_view bytes) {
    if (error_) return error_;
    if (settings_.input_encoding == Encoding::kLatin1 ||
        settings_.input_encoding == Encoding::kCp1252) {
      const std::array<char16_t, 256>& units = UnitsOfBytes(CodePageOf(settings_.input_encoding));
      std::transform(bytes.begin(), bytes.end(), units_.Room(bytes.size()),
                     [&units](char byte) { return units[static_cast<unsigned char>(byte)]; });
      units_.Added(bytes.size());
      input_bytes_ += bytes.size();
    } else {
      AddUtf8(bytes);
    }
    if (!error_ && units_.size() >= settings_.piece_units) HandOn(false);
    return error_;
  }

  std::optional<TextStreamError> EndInput() {
    if (!error_ && (pending_.size() != 0 || at_input_start_)) {
      const std::size_t used = Decode(pending_.View(), true);
      if (!error_) pending_.Drop(used);
    }
    return error_;
  }

  std::optional<TextStreamError> Finish() {
    if (!error_) HandOn(true);
    return error_;
  }

  [[nodiscard]] const UnknownCodes& Unknown() const { return unknown_; }

 private:
  // A stretch of the units waiting that came from one input: where it starts there, and the
  // unit before it (for a CR LF that the stretch's start splits).
  struct Segment {
    std::size_t first_unit;
    std::size_t input;
    TextPosition position;
    char16_t previous;
  };

  // Decodes UTF-8 bytes as they arrive; a character cut at the end of `bytes` waits in
  // pending_ for the rest of its bytes.
  void AddUtf8(std::string_view bytes) {
    if (pending_.size() != 0 || at_input_start_) {
      // The few bytes held back are completed with a few new ones and decoded on their own.
      const std::size_t held = pending_.size();
      const std::size_t taken = std::min<std::size_t>(bytes.size(), 4);
      pending_.Append(bytes.substr(0, taken));
      const std::size_t used = Decode(pending_.View(), false);
      if (error_) return;
      if (used <= held) {  // still too few bytes to tell: all of them are held
        pending_.Drop(used);
        return;
      }
      const std::size_t left = held + taken - used;  // all of them new ones
      bytes.remove_prefix(taken - left);
      pending_.Clear();
    }
    const std::size_t used = Decode(bytes, false);
    if (!error_) pending_.Append(bytes.substr(used));
  }

  // Decodes the whole characters at the start of `bytes` (all of it at the end of the input)
  // and returns how many bytes it took.
  std::size_t Decode(std::string_view bytes, bool input_ended) {
    std::size_t skipped = 0;
    if (at_input_start_) {
      // A leading byte order mark is not text; wait until it can be told.
      if (!input_ended && bytes.size() < kByteOrderMark.size() &&
          kByteOrderMark.substr(0, bytes.size()) == bytes)
        return 0;
      at_input_start_ = false;
      if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) skipped = kByteOrderMark.size();
    }
    const std::size_t length = input_ended ? bytes.size() : CompleteLength(bytes);
    const std::string_view text = bytes.substr(skipped, length - skipped);
    const std::size_t before = units_.size();
    const Utf8Decoded decoded = DecodeUtf8Into(text, units_.Room(text.size()));
    units_.Added(decoded.units);
    if (decoded.invalid_at) {
      TextStreamError error;
      error.kind = TextStreamError::Kind::kInvalidUtf8;
      error.place = PlaceOf(units_.size());
      error.byte_offset = input_bytes_ + skipped + *decoded.invalid_at;
      error.byte = static_cast<unsigned char>(text[*decoded.invalid_at]);
      error_ = error;
      return 0;
    }
    if (settings_.input_encoding == Encoding::kMacRoman) {
      for (char16_t* unit = units_.data() + before; unit != units_.data() + units_.size(); ++unit) {
        const int code = ByteOfUnit(*unit, CodePage::kMacRoman);
        if (code >= 0) *unit = static_cast<char16_t>(code);
      }
    }
    input_bytes_ += length;
    return length;
  }

  // The input, line and column of a waiting unit.
  TextPlace PlaceOf(std::size_t unit) const {
    auto segment = std::prev(std::upper_bound(
        segments_.begin(), segments_.end(), unit,
        [](std::size_t at, const Segment& candidate) { return at < candidate.first_unit; }));
    TextPlace place{segment->input, segment->position};
    char16_t previous = segment->previous;
    AdvancePosition(place.position, previous,
                    units_.View().substr(segment->first_unit, unit - segment->first_unit));
    return place;
  }

  // The last cut point that what arrives later cannot move, or 0 for none. Units below
  // `searched_` were looked at before and held none.
  std::size_t LastCut() {
    const std::u16string_view units = units_.View();
    if (units.size() <= kLookAhead) return 0;
    const std::size_t top = units.size() - kLookAhead;
    for (std::size_t at = top; at > searched_; --at) {
      if (settings_.to_unicode ? IsGlyphCutPoint(units, at) : IsCutPoint(units, at)) return at;
    }
    searched_ = top;
    return 0;
  }

  // Converts the units up to the last cut point, or all of them, and hands the output on.
  void HandOn(bool all) {
    const std::size_t cut = all ? units_.size() : LastCut();
    if (cut == 0) return;
    const std::u16string_view piece = units_.View().substr(0, cut);
    if (settings_.to_unicode) {
      // Unicode text is written as UTF-8 alone, straight from the reading.
      const ToUnicodeUtf8Result result = reader_.Convert(piece);
      if (result.unknown_codes != 0) {
        if (unknown_.count == 0) {
          unknown_.first = PlaceOf(result.first_unknown);
          unknown_.first_code = piece[result.first_unknown];
        }
        unknown_.count += result.unknown_codes;
      }
      if (!PutBytes(result.text)) return;
    } else {
      if (settings_.output_encoding != Encoding::kUtf8 && !CheckBytes(piece)) return;
      ConvertText(piece, converted_);
      if (!Put(converted_)) return;
    }
    Forget(cut);
  }

  // Whether every character's conversion has a byte in the single-byte output; the first that
  // has none is the error.
  bool CheckBytes(std::u16string_view piece) {
    const CodePage page = CodePageOf(settings_.output_encoding);
    for (std::size_t at = 0; at < piece.size(); ++at) {
      if (piece[at] < 0x80) continue;
      const char32_t code_point = CodePointAt(piece, at);
      if (!ConvertsIntoCodePage(code_point, page)) {
        TextStreamError error;
        error.kind = TextStreamError::Kind::kNoByte;
        error.place = PlaceOf(at);
        error.code_point = code_point;
        error_ = error;
        return false;
      }
      if (code_point > 0xFFFF) ++at;
    }
    return true;
  }

  // Encodes converted units and hands the bytes to the sink.
  bool Put(std::u16string_view units) {
    output_.Clear();
    char* const room = output_.Room(units.size() * 3);
    std::size_t bad = 0;
    char* end = nullptr;
    if (settings_.output_encoding == Encoding::kUtf8) {
      end = EncodeUtf8Into(units, room, bad);
    } else {
      const CodePage page = CodePageOf(settings_.output_encoding);
      end = room;
      for (bad = 0; bad < units.size(); ++bad) {
        const int byte = ByteOfUnit(units[bad], page);
        if (byte < 0) break;
        *end++ = static_cast<char>(byte);
      }
      if (bad < units.size()) end = nullptr;
    }
    if (end == nullptr) {
      TextStreamError error;
      error.kind = TextStreamError::Kind::kUnencodable;
      error.code_point = units[bad];
      error_ = error;
      return false;
    }
    return PutBytes(std::string_view(room, static_cast<std::size_t>(end - room)));
  }

  bool PutBytes(std::string_view bytes) {
    if (!put_(bytes)) {
      error_ = TextStreamError{};
      error_->kind = TextStreamError::Kind::kSinkStopped;
      return false;
    }
    return true;
  }

  // Drops the first `count` waiting units, moving the places of the inputs past them.
  void Forget(std::size_t count) {
    const std::u16string_view units = units_.View();
    auto kept = segments_.begin();
    while (kept + 1 != segments_.end() && (kept + 1)->first_unit <= count) ++kept;
    segments_.erase(segments_.begin(), kept);
    Segment& first = segments_.front();
    AdvancePosition(first.position, first.previous,
                    units.substr(first.first_unit, count - first.first_unit));
    first.first_unit = count;
    for (Segment& segment : segments_) segment.first_unit -= count;
    units_.Drop(count);
    searched_ = 0;
  }

  TextStreamSettings settings_;
  BytesSink put_;
  ToUnicodeUtf8Converter reader_;  // keeps its memory from piece to piece
  Buffer<char16_t> units_;         // decoded, waiting to be converted
  Buffer<char> pending_;           // bytes not yet decoded: part of a character, a byte order mark
  std::u16string converted_;       // the glyph codes of the last piece converted
  Buffer<char> output_;            // the bytes of the last piece converted
  std::vector<Segment> segments_;
  std::size_t input_count_ = 0;
  std::uint64_t input_bytes_ = 0;  // of the current input, decoded
  bool at_input_start_ = false;
  std::size_t searched_ = 0;
  UnknownCodes unknown_;
  std::optional<TextStreamError> error_;
};

TextStream::TextStream(const TextStreamSettings& settings, BytesSink put)
    : impl_(std::make_unique<Impl>(settings, std::move(put))) {}

TextStream::~TextStream() = default;

void TextStream::BeginInput() {
  impl_->BeginInput();
}

std::optional<TextStreamError> TextStream::Add(std::string_view bytes) {
  return impl_->Add(bytes);
}

std::optional<TextStreamError> TextStream::EndInput() {
  return impl_->EndInput();
}

std::optional<TextStreamError> TextStream::Finish() {
  return impl_->Finish();
}

const UnknownCodes& TextStream::Unknown() const {
  return impl_->Unknown();
}

}  // namespace lipimattam
