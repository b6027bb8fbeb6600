// Folders and file names of paths with either separator.
#include "base/path_text.h"

#include <gtest/gtest.h>

namespace rangwerk {
namespace {

TEST(PathText, SplitsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(FolderOfPath("/opt/rang werk/rangwerk"), "/opt/rang werk/");
    EXPECT_EQ(FileNameOfPath("/opt/rang werk/rangwerk"), "rangwerk");
    EXPECT_EQ(FolderOfPath("C:\\Programme\\Rangwerk\\Ranko.exe"), "C:\\Programme\\Rangwerk\\");
    EXPECT_EQ(FileNameOfPath("C:\\Projekte/Urlaub.opt"), "Urlaub.opt");
    EXPECT_EQ(FolderOfPath("Urlaub.opt"), "");
    EXPECT_EQ(FileNameOfPath("Urlaub.opt"), "Urlaub.opt");
    EXPECT_EQ(FileNameOfPath("/tmp/"), "");
}

}  // namespace
}  // namespace rangwerk
