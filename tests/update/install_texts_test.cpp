// The texts of the download page and the completion of "Update.bat".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/oem_text.h"
#include "update/batch_completion.h"
#include "update/batch_template.h"
#include "update/download_progress.h"
#include "update/format_size.h"

namespace rangwerk {
namespace {

TEST(FormatSize, ExamplesWithTheUsersSeparator) {
    EXPECT_EQ(FormatSize(0, ","), "0 Byte");
    EXPECT_EQ(FormatSize(500, ","), "500 Byte");
    EXPECT_EQ(FormatSize(1023, ","), "1023 Byte");
    EXPECT_EQ(FormatSize(1536, ","), "1,5 KB");
    EXPECT_EQ(FormatSize(1536, "."), "1.5 KB");
    EXPECT_EQ(FormatSize(1048576, ","), "1 MB");
    EXPECT_EQ(FormatSize(10238, ","), "10 KB");  // 9.998 rounds to 10: three digits, "10"
    EXPECT_EQ(FormatSize(3145728 / 2, ","), "1,5 MB");
    EXPECT_EQ(FormatSize(1024ULL * 1024 * 1024 * 5 / 4, ","), "1,2 GB");  // 1.25: even digit
    EXPECT_EQ(FormatSize(1ULL << 40, ","), "1 TB");
    // Past the largest unit the number keeps its digits.
    EXPECT_EQ(FormatSize(3ULL << 50, ","), "3072 TB");
    EXPECT_EQ(FormatSize(UINT64_MAX, ","), "16777216 TB");
    // A separator of more than one byte is taken whole.
    EXPECT_EQ(FormatSize(1536, "\xC2\xB7"),
              "1\xC2\xB7"
              "5 KB");
}

TEST(DownloadDisplay, HalfOfThreeMegabytesAfterTenSecondsForAQuarter) {
    const ProgressFormat format{",", "HH:mm:ss"};
    const DownloadDisplay half = MakeDownloadDisplay(3145728 / 2, 3145728, 20, format);
    EXPECT_EQ(half.position, 3145728u / 2);
    EXPECT_EQ(half.maximum, 3145728u);
    EXPECT_EQ(half.percent, "50 %");
    EXPECT_EQ(half.status, "1,5 MB von 3 MB gedownloadet");
    EXPECT_EQ(half.timeLeft, "verbleibende Zeit: 00:00:20");

    const DownloadDisplay quarter = MakeDownloadDisplay(3145728 / 4, 3145728, 10, format);
    EXPECT_EQ(quarter.percent, "25 %");
    EXPECT_EQ(quarter.timeLeft, "verbleibende Zeit: 00:00:30");

    // No byte yet: no time left; percentages round halves to the even neighbour.
    EXPECT_EQ(MakeDownloadDisplay(0, 100, 5, format).timeLeft, "verbleibende Zeit: 00:00:00");
    EXPECT_EQ(MakeDownloadDisplay(1, 200, 0, format).percent, "0 %");  // 0.5
    EXPECT_EQ(MakeDownloadDisplay(3, 200, 0, format).percent, "2 %");  // 1.5
    EXPECT_EQ(MakeDownloadDisplay(200, 200, 9, format).percent, "100 %");
    EXPECT_EQ(MakeDownloadDisplay(200, 200, 9, format).status,
              "200 Byte von 200 Byte gedownloadet");
}

TEST(DownloadDisplay, TimeLeftInTheLongTimePicture) {
    const double twoHoursFiveMinutesSeven = (2 * 3600 + 5 * 60 + 7) / 86400.0;
    EXPECT_EQ(FormatTimeOfDay(twoHoursFiveMinutesSeven, "HH:mm:ss"), "02:05:07");
    EXPECT_EQ(FormatTimeOfDay(twoHoursFiveMinutesSeven, "H:m:s"), "2:5:7");
    EXPECT_EQ(FormatTimeOfDay(twoHoursFiveMinutesSeven, "hh:mm:ss tt"), "02:05:07 AM");
    EXPECT_EQ(FormatTimeOfDay(0, "h:mm:ss t"), "12:00:00 A");
    EXPECT_EQ(FormatTimeOfDay(13.5 / 24, "h:mm 'Uhr' tt"), "1:30 Uhr PM");
    // Whole days drop out; 0.9996 s rounds to the millisecond and shows as 1 s, 1.4 s as 1 s.
    EXPECT_EQ(FormatTimeOfDay(3 + 0.9996 / 86400, "HH:mm:ss"), "00:00:01");
    EXPECT_EQ(FormatTimeOfDay(1.4 / 86400, "HH:mm:ss"), "00:00:01");
}

TEST(FormatTemplate, FillsValuesWidthsAndPercentSigns) {
    const std::vector<std::string> two{"C:\\Temp\\", "C:\\Prog\\"};
    EXPECT_EQ(FormatTemplate("copy \"%sa.exe\"", two, TextUnits::Bytes),
              "copy \"C:\\Temp\\a.exe\"");
    EXPECT_EQ(FormatTemplate("%1:s|%0:s|%s", two, TextUnits::Bytes),
              "C:\\Prog\\|C:\\Temp\\|C:\\Prog\\");  // "%s" goes on after an index
    EXPECT_EQ(FormatTemplate("100%% %s", two, TextUnits::Bytes), "100% C:\\Temp\\");
    EXPECT_EQ(FormatTemplate("[%10.3s][%-5s][%S]", {"abcdef", "xy", "Z"}, TextUnits::Bytes),
              "[       abc][xy   ][Z]");
    EXPECT_EQ(FormatTemplate("no templates \xE4\xF6", {}, TextUnits::Bytes),
              "no templates \xE4\xF6");
    // Characters of UTF-8 values count whole.
    EXPECT_EQ(FormatTemplate("[%4.2s]", {"\xC3\xA4\xC3\xB6\xC3\xBC"}, TextUnits::Utf8),
              "[  \xC3\xA4\xC3\xB6]");
    EXPECT_EQ(FormatTemplate("[%4.2s]", {"\xC3\xA4\xC3\xB6\xC3\xBC"}, TextUnits::Bytes),
              "[  \xC3\xA4]");
}

TEST(FormatTemplate, HostileTemplatesAreRefusedWithAGermanMessage) {
    const std::vector<std::string> one{"/tmp/"};
    for (const char* line :
         {"50%", "%", "echo %d", "%1:s", "%2:s", "%s %s", "%*s", "%-", "%.s%",
          "%99999999999999999999s", "%10000s", "%0:", "%.5", "%:s", "%n", "%x%s"}) {
        SCOPED_TRACE(line);
        try {
            FormatTemplate(line, one, TextUnits::Bytes);
            ADD_FAILURE() << "accepted";
        } catch (const TemplateError& e) {
            EXPECT_NE(std::string(e.what()).find("Formatangabe"), std::string::npos);
        }
    }
    EXPECT_EQ(FormatTemplate("%9999s", one, TextUnits::Bytes).size(), 9999u);
}

BatchValues LinuxValues(bool restart = true) {
    BatchValues values;
    values.programFolder = "/opt/r/";
    values.tempFolder = "/tmp/t/";
    values.programPath = "/opt/r/rangwerk";
    values.restart = restart;
    values.units = TextUnits::Utf8;
    return values;
}

TEST(CompleteUpdateBatch, TwoGroupsAndATail) {
    const std::string in =
        "@echo off\r\n"
        "copy \"%sa\"\r\n"
        "copy \"%sb\"\r\n"
        "move \"%sRangwerk.exe\" \"%s\"\r\n"
        "rem second\r\n"
        "x %s\r\n"
        "y %s\r\n"
        "z %1:s %0:s\r\n"
        " tail %s\r\n"
        "rmdir \"%sx\" 100%%\r\n";
    EXPECT_EQ(CompleteUpdateBatch(in, LinuxValues()),
              "@echo off\r\n"
              "copy \"/opt/r/a\"\r\n"
              "copy \"/opt/r/b\"\r\n"
              "move \"/tmp/t/Rangwerk.exe\" \"/opt/r/\"\r\n"
              "rem second\r\n"
              "x /opt/r/\r\n"
              "y /opt/r/\r\n"
              "z /opt/r/ /tmp/t/\r\n"
              " tail /tmp/t/\r\n"
              "rmdir \"/tmp/t/x\" 100%\r\n"
              "\"/opt/r/rangwerk\"\r\n"
              "del /tmp/t/Update.bat\r\n");
}

TEST(CompleteUpdateBatch, WithoutTailOrRestartAndEveryLineBreak) {
    // A "%" in a group's first line stays; a short last group is filled as far as it goes.
    const std::string lf = "first 100%\nA%s\nB%s\nC%s%s\nsecond\n%s\n";
    EXPECT_EQ(CompleteUpdateBatch(lf, LinuxValues(false)),
              "first 100%\r\nA/opt/r/\r\nB/opt/r/\r\nC/tmp/t//opt/r/\r\nsecond\r\n/opt/r/\r\n"
              "del /tmp/t/Update.bat\r\n");
    const std::string cr = "g\rA%s\rB%s\rC%s%s";  // no break after the last line
    const std::string crlf = "g\r\nA%s\r\nB%s\r\nC%s%s\r\n";
    const std::string mixed = "g\nA%s\r\nB%s\rC%s%s\n";
    const std::string expected =
        "g\r\nA/opt/r/\r\nB/opt/r/\r\nC/tmp/t//opt/r/\r\n\"/opt/r/rangwerk\"\r\n"
        "del /tmp/t/Update.bat\r\n";
    EXPECT_EQ(CompleteUpdateBatch(cr, LinuxValues()), expected);
    EXPECT_EQ(CompleteUpdateBatch(crlf, LinuxValues()), expected);
    EXPECT_EQ(CompleteUpdateBatch(mixed, LinuxValues()), expected);
    // Empty lines count as lines; an empty file gets only the added lines.
    EXPECT_EQ(SplitLines("a\r\n\r\n\nb"), (std::vector<std::string>{"a", "", "", "b"}));
    EXPECT_EQ(CompleteUpdateBatch("", LinuxValues(false)), "del /tmp/t/Update.bat\r\n");
}

TEST(CompleteUpdateBatch, KeepsBytesAboveSevenBitAndShortLastGroups) {
    BatchValues values = LinuxValues(false);
    values.programFolder = "C:\\Programme\\R\x84ng\\";  // an OEM byte in a value
    values.units = TextUnits::Bytes;
    const std::string in = "rem \xE4\xF6\xFC\x80\xFF\r\ncopy \xE9%s\r\n";  // a group of two lines
    EXPECT_EQ(CompleteUpdateBatch(in, values),
              "rem \xE4\xF6\xFC\x80\xFF\r\ncopy \xE9"
              "C:\\Programme\\R\x84ng\\\r\n"
              "del /tmp/t/Update.bat\r\n");
}

TEST(CompleteUpdateBatch, AMalformedLineIsNamed) {
    try {
        CompleteUpdateBatch("a\nb%s\nc%s\nd%s%s\n tail 5%\n", LinuxValues());
        ADD_FAILURE() << "accepted";
    } catch (const TemplateError& e) {
        EXPECT_NE(std::string(e.what()).find("Zeile 5"), std::string::npos) << e.what();
    }
    // Line 4 of a group has only two values.
    EXPECT_THROW(CompleteUpdateBatch("a\nb\nc\n%s%s%s\n", LinuxValues()), TemplateError);
}

#ifndef _WIN32
TEST(ToOem, EscapesWhatStaysSpecialInDoubleQuotesAndRefusesLineBreaks) {
    EXPECT_EQ(ToOem("/home/a b/$HOME/`id`/\"q\"/back\\slash/\xC3\xA4/"),
              "/home/a b/\\$HOME/\\`id\\`/\\\"q\\\"/back\\\\slash/\xC3\xA4/");
    EXPECT_TRUE(OemTextIsUtf8());
    EXPECT_THROW(ToOem("/tmp/a\nb/"), Failure);
    EXPECT_THROW(ToOem("/tmp/a\rb/"), Failure);

    // The path of the "del" line stands outside quotes.
    EXPECT_NO_THROW(CheckUnquotedBatchPath("/tmp/Max M\xC3\xBCller/a$b\"c/x-y_z.1+2,3:4@5%6^7=8/"));
    for (const char* path :
         {"/tmp/a;b/", "/tmp/a&b/", "/tmp/a|b/", "/tmp/a'b/", "/tmp/a  b/", "/tmp/a\tb/",
          "/tmp/a*/", "/tmp/~x/", "/tmp/#x/", "/tmp/a(b)/", "/tmp/a>b/", "/tmp/a\nb/"}) {
        SCOPED_TRACE(path);
        EXPECT_THROW(CheckUnquotedBatchPath(path), Failure);
    }
}
#endif

}  // namespace
}  // namespace rangwerk
