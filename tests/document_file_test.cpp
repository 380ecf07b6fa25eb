// Document files: the container read and written with libzip, every entry the conversion does
// not change kept as it was stored, and files that are no documents refused with a reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/document_file.h"
#include "tests/document_parts.h"

namespace lipimattam {
namespace {

using testing::DocumentFile;
using testing::StoredEntries;
using testing::Zip;

const std::string kMlTtRun =
    R"(<w:p><w:r><w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi"/></w:rPr>)"
    R"(<w:t>tIcfw</w:t></w:r></w:p>)";

TEST(DocumentFile, EntriesNotConvertedStayAsStoredAndTheMimetypeFirst) {
  const std::vector<std::pair<std::string, std::string>> documents = {
      {"docx", DocumentFile(testing::Docx(kMlTtRun))},
      {"odt", DocumentFile(testing::Odt(
                  R"(<text:p><text:span text:style-name="T">tIcfw</text:span></text:p>)",
                  R"(<style:style style:name="T" style:family="text"><style:text-properties )"
                  R"(style:font-name="Revathi1"/></style:style>)"))},
  };
  for (const auto& [kind, bytes] : documents) {
    const DocumentFileConversion converted = ConvertDocumentFile(bytes, {});
    ASSERT_FALSE(converted.error) << kind << ": " << converted.error->message;
    EXPECT_EQ(converted.format, kind == "odt" ? DocumentFormat::kOdt : DocumentFormat::kDocx);
    const std::vector<testing::StoredEntry> before = StoredEntries(bytes);
    const std::vector<testing::StoredEntry> after = StoredEntries(converted.bytes);
    ASSERT_EQ(before.size(), after.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(before[i].name, after[i].name) << kind;
      if (before[i] != after[i]) {
        ++changed;
        EXPECT_TRUE(before[i].name == "word/document.xml" || before[i].name == "content.xml")
            << kind << ": " << before[i].name << " changed";
      }
    }
    EXPECT_EQ(changed, 1u) << kind;
    if (kind == "odt") {
      EXPECT_EQ(after.front().name, "mimetype");
      EXPECT_EQ(after.front().method, ZIP_CM_STORE);
    }
    // Converting again finds nothing more in the ML-TT font, and changes nothing.
    const DocumentFileConversion again = ConvertDocumentFile(converted.bytes, {});
    ASSERT_FALSE(again.error);
    EXPECT_EQ(again.summary.runs, 0u);
    EXPECT_EQ(StoredEntries(again.bytes), after);
  }
}

TEST(DocumentFile, WhatIsNoDocumentIsRefusedWithItsReason) {
  const std::string docx = DocumentFile(testing::Docx(kMlTtRun));
  struct Case {
    std::string what;
    std::string bytes;
    std::string part;
    std::string message;
  };
  const Case cases[] = {
      {"an OLE2 file", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'),
       "", ".doc"},
      {"a cut archive", docx.substr(0, docx.size() / 2), "", "not a valid ZIP archive"},
      {"another archive", Zip({{"notes.txt", "hello", false}}), "", "neither a Word"},
      {"a spreadsheet", Zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet", true}}),
       "mimetype", "not a text document"},
      {"a workbook",
       Zip({{"[Content_Types].xml", "<Types><Override ContentType=\"spreadsheetml\"/></Types>",
             false}}),
       "[Content_Types].xml", "not a Word document"},
      {"a broken part", DocumentFile(testing::Docx("<w:p><w:r></w:p>")), "word/document.xml",
       "malformed XML"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(LooksLikeDocument(c.bytes)) << c.what;
    const DocumentFileConversion converted = ConvertDocumentFile(c.bytes, {});
    ASSERT_TRUE(converted.error) << c.what;
    EXPECT_EQ(converted.error->part, c.part) << c.what;
    EXPECT_NE(converted.error->message.find(c.message), std::string::npos)
        << c.what << ": " << converted.error->message;
    EXPECT_TRUE(converted.bytes.empty()) << c.what;
  }
  EXPECT_FALSE(LooksLikeDocument("PK is a text"));
}

}  // namespace
}  // namespace lipimattam
