// The filter with documents: known by their content, converted on their own, never written to
// a terminal, and refused with the file and part named when they cannot be converted.
#include <gtest/gtest.h>

#include <string>

#include "documents/document_file.h"
#include "tests/cli_fixture.h"
#include "tests/document_parts.h"

namespace lipimattam::testing {
namespace {

const std::string kDocument = DocumentFile(
    Docx(R"(<w:p><w:r><w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi"/></w:rPr>)"
         R"(<w:t>tIcfw</w:t></w:r><w:r><w:rPr><w:rFonts w:ascii="ML-TTSurya-Normal"/></w:rPr>)"
         R"(<w:t>abc</w:t></w:r></w:p>)"));

using CliDocuments = CliTest;

TEST_F(CliDocuments, ADocumentIsKnownByItsContentAndConvertedWhole) {
  WriteFile(Path("report.txt"), kDocument);  // the name says text; the content says otherwise
  const CliRun run = RunCli({"--to-unicode", "report.txt", "-o", "report-unicode.docx"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("report.txt: 1 run of text converted (5 characters); left alone"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("\"ML-TTSurya-Normal\""), std::string::npos) << run.err;
  const DocumentFileConversion again =
      ConvertDocumentFile(ReadFile(Path("report-unicode.docx")), {});
  ASSERT_FALSE(again.error);
  EXPECT_EQ(again.summary.runs, 0u);  // nothing in the ML-TT font is left
  EXPECT_EQ(RunCli({"-q", "--to-unicode", "report.txt"}, "", "| cat > piped").status, 0);
  EXPECT_EQ(ReadFile(Path("piped")), ReadFile(Path("report-unicode.docx")));
}

TEST_F(CliDocuments, DocumentsGoThroughBatchesWithTextFiles) {
  WriteFile(Path("in/a.docx"), kDocument);
  WriteFile(Path("in/b.txt"), "tIcfw\n");
  const CliRun run = RunCli({"-q", "--to-unicode", "-r", "--output-dir", "out", "in"});
  ASSERT_EQ(run.status, 0) << run.err;
  const DocumentFileConversion document = ConvertDocumentFile(ReadFile(Path("out/a.docx")), {});
  ASSERT_FALSE(document.error);
  EXPECT_EQ(document.summary.runs, 0u);
  EXPECT_EQ(ReadFile(Path("out/b.txt")), RunCli({"--to-unicode"}, "tIcfw\n").out);
}

TEST_F(CliDocuments, WhatCannotBeDoneIsRefusedAndNothingIsWritten) {
  WriteFile(Path("good.docx"), kDocument);
  const std::string kBroken = "<w:p><w:r><w:t>a</w:p>";
  WriteFile(Path("broken.docx"), DocumentFile(Docx(kBroken)));
  WriteFile(Path("old.doc"), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest");
  WriteFile(Path("story.txt"), "text\n");
  struct Case {
    std::string command;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"\"$CLI\" broken.docx -o out", 65,
       "broken.docx: word/document.xml: byte offset " +
           std::to_string(Docx(kBroken)["word/document.xml"].find("</w:p>")) + ": malformed XML"},
      {"\"$CLI\" old.doc -o out", 65, "old.doc: an encrypted document or a Word 97-2003 (.doc)"},
      {"\"$CLI\" story.txt good.docx -o out", 64,
       "good.docx: a document is converted on its own, not joined with other inputs"},
      {"script -qec \"'$CLI' good.docx\" /dev/null", 64,
       "good.docx: a document is not written to a terminal"},
      // A filter without its document module still converts text, and says what is missing.
      {"mkdir alone && cp \"$CLI\" alone/ && alone/lipimattam-cli story.txt -o story.ml && "
       "alone/lipimattam-cli good.docx -o out",
       70,
       "good.docx: the document converter cannot be loaded: lipimattam-documents.so is neither"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunShell(c.command);
    EXPECT_EQ(run.status, c.status) << c.command << ": " << run.err << run.out;
    EXPECT_NE((run.err + run.out).find(c.message), std::string::npos)
        << c.command << ": " << run.err << run.out;
    EXPECT_FALSE(fs::exists(Path("out"))) << c.command;
  }
}

}  // namespace
}  // namespace lipimattam::testing
