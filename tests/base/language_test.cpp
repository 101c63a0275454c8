#include "base/language.h"

#include <gtest/gtest.h>

#include "base/default_files.h"
#include "base/text_ids.h"
#include "support/base/temp_folder.h"

namespace orlentis {
namespace {

using testing::TempFolder;
using testing::WriteWholeFile;

std::filesystem::path ShippedLanguageFile() {
  return std::filesystem::path(ORLENTIS_SOURCE_DIR) / "resources" / "English.lng";
}

TEST(LanguageFileTest, LooksTextsUpById) {
  TempFolder folder;
  WriteWholeFile(folder / "Test.lng", "[STRING]\n128=Orlentis\n193=Start\n0500=Padded\n");
  const LanguageFile texts(folder / "Test.lng");
  EXPECT_EQ(texts.Text(128), "Orlentis");
  EXPECT_EQ(texts.Text(193), "Start");
  EXPECT_EQ(texts.Text(500), "Padded");
  EXPECT_EQ(texts.Text(129), "");
}

TEST(LanguageFileTest, MissingFileHoldsNoTexts) {
  TempFolder folder;
  EXPECT_EQ(LanguageFile(folder / "absent.lng").Text(128), "");
  EXPECT_EQ(LanguageFile(std::filesystem::path()).Text(128), "");
}

TEST(LanguageFilePathTest, FollowsTheTypeKey) {
  TempFolder folder;
  WriteWholeFile(folder / "Setting.ini",
                 "[LANGUAGETYPE]\nTYPE=TYPE2\n[LANGUAGE]\nTYPE0=English.lng\nTYPE2=Deutsch.lng\n");
  EXPECT_EQ(LanguageFilePath(folder.Path()), folder / "Deutsch.lng");
}

TEST(LanguageFilePathTest, WithoutTypeSectionUsesTypeZero) {
  TempFolder folder;
  WriteWholeFile(folder / "Setting.ini", "[LANGUAGE]\nTYPE0=English.lng\n");
  EXPECT_EQ(LanguageFilePath(folder.Path()), folder / "English.lng");
}

TEST(LanguageFilePathTest, NoSettingsMeansNoLanguageFile) {
  TempFolder folder;
  EXPECT_TRUE(LanguageFilePath(folder.Path()).empty());
}

TEST(FindLanguageFileTest, TakesTheShippedFileWhereTheFolderLacksIt) {
  TempFolder folder;
  TempFolder shipped;
  WriteWholeFile(shipped / "Setting.ini", "[LANGUAGE]\nTYPE0=English.lng\n");
  WriteWholeFile(shipped / "English.lng", "[STRING]\n128=Orlentis\n");
  WriteWholeFile(shipped / "Deutsch.lng", "[STRING]\n128=Orlentis\n");
  // Nothing in the folder yet: name and file both come from the installation.
  EXPECT_EQ(FindLanguageFile(folder.Path(), shipped.Path()), shipped / "English.lng");
  // An edited Setting.ini alone names the file; the installation still provides it.
  WriteWholeFile(folder / "Setting.ini", "[LANGUAGE]\nTYPE0=Deutsch.lng\n");
  EXPECT_EQ(FindLanguageFile(folder.Path(), shipped.Path()), shipped / "Deutsch.lng");
  // The folder's own file always wins.
  WriteWholeFile(folder / "Deutsch.lng", "[STRING]\n128=Orlentis\n");
  EXPECT_EQ(FindLanguageFile(folder.Path(), shipped.Path()), folder / "Deutsch.lng");
  // A name that neither has stays the folder's, which then holds no texts.
  WriteWholeFile(folder / "Setting.ini", "[LANGUAGE]\nTYPE0=Absent.lng\n");
  EXPECT_EQ(FindLanguageFile(folder.Path(), shipped.Path()), folder / "Absent.lng");
  EXPECT_TRUE(FindLanguageFile(folder.Path() / "none", folder.Path() / "none").empty());
}

// The compiled-in copy stands in for newer texts, so it must read as the shipped file does:
// the name above each text is a comment, not a text.
TEST(ShippedLanguageFileTest, CompiledInCopyReadsAsTheShippedFile) {
  const LanguageFile shipped(ShippedLanguageFile());
  const LanguageFile compiled = LanguageFile::FromText(kEnglishLanguageFile);
  for (const int id : {kTextSocketsFailed, kTextProgramName, kTextInterval60Days, kTextDatabaseBusy,
                       kTextDatabaseWaiting, kTextSavedDump}) {
    EXPECT_FALSE(compiled.Text(id).empty()) << "text " << id;
    EXPECT_EQ(compiled.Text(id), shipped.Text(id)) << "text " << id;
  }
  EXPECT_EQ(compiled.Text(kTextSavedDump), "Saved dump file to");
  EXPECT_EQ(LanguageFile::FromText("[STRING]\n; kTextOk\n108=OK\n").Text(108), "OK");
}

}  // namespace
}  // namespace orlentis
