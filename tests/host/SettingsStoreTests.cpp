// Saving and loading the settings and the task list through a settings file.
#include "TempFolder.h"
#include "Wexlink32App.h"
#include "util/IniFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace {

// The file's non-empty lines, whichever encoding the profile services chose for it.
std::vector<std::string> Lines(const std::wstring& path)
{
    std::string bytes = ReadTextFile(path);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::string narrow;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            narrow += bytes[i];
        }
        bytes = narrow;
    }
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> TaskLines(int index, const std::vector<std::string>& values)
{
    static const char* const keys[] = {"ComOption",       "TDFMT",         "PcFileFolder",   "DownType",
                                       "TerminalFile",    "TerminalDrive", "ContOnNotAvail", "advRcvUseFilename",
                                       "advRcvUseTermId", "advRcvUseTime", "advRcvFmtTime",  "advRcvUseDate",
                                       "advRcvFmtDate",   "advRcvFmtFile"};
    std::vector<std::string> lines{"[Task" + std::to_string(index) + "]"};
    for (size_t i = 0; i < values.size(); ++i) {
        lines.push_back(std::string(keys[i]) + "=" + values[i]);
    }
    return lines;
}

void ExpectSameTask(const CWexlinkObj& expected, const CWexlinkObj& actual)
{
    EXPECT_EQ(expected.ComOption, actual.ComOption);
    EXPECT_EQ(expected.TDFMT, actual.TDFMT);
    EXPECT_EQ(expected.PcFileFolder, actual.PcFileFolder);
    EXPECT_EQ(expected.DownType, actual.DownType);
    EXPECT_EQ(expected.TerminalFile, actual.TerminalFile);
    EXPECT_EQ(expected.TerminalDrive, actual.TerminalDrive);
    EXPECT_EQ(expected.ContOnNotAvail, actual.ContOnNotAvail);
    EXPECT_EQ(expected.advRcvUseFilename, actual.advRcvUseFilename);
    EXPECT_EQ(expected.advRcvUseTermId, actual.advRcvUseTermId);
    EXPECT_EQ(expected.advRcvUseTime, actual.advRcvUseTime);
    EXPECT_EQ(expected.advRcvUseDate, actual.advRcvUseDate);
    EXPECT_EQ(expected.advRcvFmtTime, actual.advRcvFmtTime);
    EXPECT_EQ(expected.advRcvFmtDate, actual.advRcvFmtDate);
    EXPECT_EQ(expected.advRcvFmtFile, actual.advRcvFmtFile);
}

void ExpectDefaultSettings(const CTarvexSettings& settings)
{
    EXPECT_FALSE(settings.SingleInstance);
    EXPECT_EQ(1u, settings.COM);
    EXPECT_EQ(115200u, settings.Baudrate);
    EXPECT_EQ(1u, settings.IrDA);
    EXPECT_EQ(0u, settings.ProtocolType);
    EXPECT_EQ(1u, settings.ProtocolTimes);
    EXPECT_FALSE(settings.RunAtStart);
    EXPECT_FALSE(settings.RunMinimized);
    EXPECT_FALSE(settings.MinimizeToTray);
    EXPECT_TRUE(settings.MessagesWhileInTray);
}

// An application whose every value differs from its default.
// Application objects are held by pointer: the class is not meant to be copied.
using AppPtr = std::unique_ptr<CWexlink32App>;

AppPtr ChangedApp()
{
    AppPtr app = std::make_unique<CWexlink32App>();
    CTarvexSettings& s = app->m_Settings;
    s.SingleInstance = true;
    s.COM = 3;
    s.Baudrate = 9600;
    s.IrDA = 0;
    s.ProtocolType = 2;
    s.ProtocolTimes = 5;
    s.RunAtStart = true;
    s.RunMinimized = true;
    s.MinimizeToTray = true;
    s.MessagesWhileInTray = false;
    app->m_TaskList.push_back(CWexlinkObj(L"C:\\in box", 2, L"*.DAT", 1, true, false, true, true, 2, true, 11, 23));
    app->m_TaskList.push_back(CWexlinkObj(taskListFiles, L"A?.TXT", -1));
    app->m_TaskList.push_back(CWexlinkObj(TimeDateFormat{19}));
    return app;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    std::wstring File(const wchar_t* name) const { return m_Temp.File(name); }

    // Loads a settings file with the given text into a fresh application object.
    AppPtr Load(const std::string& text)
    {
        WriteTextFile(File(L"load.wxf"), text);
        AppPtr app = std::make_unique<CWexlink32App>();
        app->LoadSettings(File(L"load.wxf"));
        return app;
    }

    TempFolder m_Temp;
};

}  // namespace

TEST_F(SettingsStoreTest, WritesEveryKeyInOrderWithItsText)
{
    const AppPtr app = ChangedApp();
    ASSERT_TRUE(app->SaveSettings(File(L"export.wxf")));

    std::vector<std::string> expected{
        "[GLOBAL]",
        "SingleIntance=1",
        "[RS232]",
        "COM=3",
        "Baudrate=9600",
        "IrDA=0",
        "[WEXLINK]",
        "ProtocolType=2",
        "ProtocolTimes=5",
        "RunAtStart=1",
        "RunMinimized=1",
        "MinimizeToTray=1",
        "MessagesWhileInTray=0",
        "ProtocolTasks=3",
    };
    for (const auto& task :
         {TaskLines(0, {"4", "0", "C:\\in box", "2", "*.DAT", "1", "1", "0", "1", "1", "2", "1", "11", "23"}),
          TaskLines(1, {"6", "0", "", "0", "A?.TXT", "4294967295", "0", "1", "0", "0", "0", "0", "0", "0"}),
          TaskLines(2, {"2", "19", "", "0", "", "2", "0", "1", "0", "0", "0", "0", "0", "0"})}) {
        expected.insert(expected.end(), task.begin(), task.end());
    }
    EXPECT_EQ(expected, Lines(File(L"export.wxf")));
}

TEST_F(SettingsStoreTest, RoundTripKeepsSettingsAndTasks)
{
    const AppPtr saved = ChangedApp();
    ASSERT_TRUE(saved->SaveSettings(File(L"export.wxf")));

    CWexlink32App loaded;
    loaded.LoadSettings(File(L"export.wxf"));
    const CTarvexSettings& s = loaded.m_Settings;
    EXPECT_TRUE(s.SingleInstance);
    EXPECT_EQ(3u, s.COM);
    EXPECT_EQ(9600u, s.Baudrate);
    EXPECT_EQ(0u, s.IrDA);
    EXPECT_EQ(2u, s.ProtocolType);
    EXPECT_EQ(5u, s.ProtocolTimes);
    EXPECT_TRUE(s.RunAtStart);
    EXPECT_TRUE(s.RunMinimized);
    EXPECT_TRUE(s.MinimizeToTray);
    EXPECT_FALSE(s.MessagesWhileInTray);
    ASSERT_EQ(saved->m_TaskList.size(), loaded.m_TaskList.size());
    for (size_t i = 0; i < saved->m_TaskList.size(); ++i) {
        ExpectSameTask(saved->m_TaskList[i], loaded.m_TaskList[i]);
    }
    EXPECT_EQ(-1, loaded.m_TaskList[1].TerminalDrive);

    // The load also tells where the program and the settings live.
    EXPECT_NE(std::wstring::npos, loaded.m_ProgramPath.find(L".exe"));
    EXPECT_EQ(0u, loaded.m_ProgramPath.find(loaded.m_ProgramFolder + L"\\"));
    EXPECT_EQ(loaded.GetSettingsFolder(), loaded.m_SettingsFolder);
}

TEST_F(SettingsStoreTest, MissingFileKeysOrValuesTakeTheirDefaults)
{
    const AppPtr app = ChangedApp();
    app->LoadSettings(File(L"none.wxf"));
    ExpectDefaultSettings(app->m_Settings);
    EXPECT_TRUE(app->m_TaskList.empty());

    const AppPtr empty =
        Load("[GLOBAL]\r\nSingleIntance=\r\n[RS232]\r\nCOM=\r\nBaudrate=\r\nIrDA=\r\n[WEXLINK]\r\nProtocolType=\r\n"
             "ProtocolTimes=\r\nRunAtStart=\r\nRunMinimized=\r\nMinimizeToTray=\r\nMessagesWhileInTray=\r\n"
             "ProtocolTasks=\r\n");
    ExpectDefaultSettings(empty->m_Settings);
    EXPECT_TRUE(empty->m_TaskList.empty());

    const AppPtr bare = Load("[WEXLINK]\r\nProtocolTasks=1\r\n[Task0]\r\n");
    ExpectDefaultSettings(bare->m_Settings);
    ASSERT_EQ(1u, bare->m_TaskList.size());
    ExpectSameTask(CWexlinkObj(), bare->m_TaskList[0]);
}

TEST_F(SettingsStoreTest, SingleInstanceComesOnlyFromANamedFile)
{
    EXPECT_TRUE(Load("[GLOBAL]\r\nSingleIntance=1\r\n")->m_Settings.SingleInstance);
    EXPECT_FALSE(Load("[GLOBAL]\r\nSingleIntance=0\r\n")->m_Settings.SingleInstance);

    // The default file's GLOBAL section is never read, whatever it holds.
    for (bool before : {true, false}) {
        CWexlink32App app;
        app.m_Settings.SingleInstance = before;
        app.LoadSettings(L"");
        EXPECT_EQ(before, app.m_Settings.SingleInstance);
    }
}

TEST_F(SettingsStoreTest, DefaultFileNameNeverCarriesSingleInstance)
{
    CWexlink32App app;
    app.m_Settings.SingleInstance = true;
    const auto singleInstanceLine = [&](const wchar_t* name) {
        EXPECT_TRUE(app.SaveSettings(File(name)));
        return Lines(File(name)).at(1);
    };
    EXPECT_EQ("SingleIntance=0", singleInstanceLine(L"TarvexSt.CFG"));
    EXPECT_EQ("SingleIntance=0", singleInstanceLine(L"TarvexSt.CFG.bak"));
    EXPECT_EQ("SingleIntance=1", singleInstanceLine(L"tarvexst.cfg.old"));
    EXPECT_EQ("SingleIntance=1", singleInstanceLine(L"site.wxf"));
}

TEST_F(SettingsStoreTest, TaskCountBeyondTheSectionsPresent)
{
    const std::string task0 = "[Task0]\r\nComOption=6\r\nTerminalFile=A.TXT\r\nTerminalDrive=0\r\n";
    const AppPtr three = Load("[WEXLINK]\r\nProtocolTasks=3\r\n" + task0);
    ASSERT_EQ(3u, three->m_TaskList.size());
    EXPECT_EQ(taskListFiles, three->m_TaskList[0].ComOption);
    ExpectSameTask(CWexlinkObj(), three->m_TaskList[1]);
    ExpectSameTask(CWexlinkObj(), three->m_TaskList[2]);

    EXPECT_TRUE(Load("[WEXLINK]\r\nProtocolTasks=-1\r\n" + task0)->m_TaskList.empty());
    EXPECT_TRUE(Load("[WEXLINK]\r\nProtocolTasks=0\r\n" + task0)->m_TaskList.empty());
    EXPECT_TRUE(Load("[WEXLINK]\r\nProtocolTasks=abc\r\n" + task0)->m_TaskList.empty());

    // An absurd count is believed only as far as its sections are there.
    const std::string task1 = "[Task1]\r\nComOption=1\r\n";
    EXPECT_EQ(2u, Load("[WEXLINK]\r\nProtocolTasks=2147483647\r\n" + task0 + task1)->m_TaskList.size());
    const std::string limit = std::to_string(CWexlink32App::MaxUncheckedTaskCount);
    const std::string beyond = std::to_string(CWexlink32App::MaxUncheckedTaskCount + 1);
    EXPECT_EQ(1u, Load("[WEXLINK]\r\nProtocolTasks=" + beyond + "\r\n" + task0)->m_TaskList.size());
    EXPECT_EQ(static_cast<size_t>(CWexlink32App::MaxUncheckedTaskCount),
              Load("[WEXLINK]\r\nProtocolTasks=" + limit + "\r\n" + task0)->m_TaskList.size());
    // A hand-typed count in the hundreds gives no flood of default tasks either.
    EXPECT_EQ(1u, Load("[WEXLINK]\r\nProtocolTasks=500\r\n" + task0)->m_TaskList.size());
}

TEST_F(SettingsStoreTest, LongTaskListWithAMissingSectionKeepsTheTasksAfterIt)
{
    // A list longer than the trusted count, with one section lost in the middle: the tasks after
    // the gap are still the user's, so the gap becomes a default task and nothing after it is lost.
    const int count = CWexlink32App::MaxUncheckedTaskCount + 10;
    std::string text = "[WEXLINK]\r\nProtocolTasks=" + std::to_string(count + 5) + "\r\n";
    for (int i = 0; i < count; ++i) {
        if (i != 3) {
            text += "[task" + std::to_string(i) + "]\r\nComOption=1\r\n";
        }
    }
    text += "[Task0012]\r\n[Task" + std::to_string(count + 1) + "x]\r\nComOption=3\r\n";
    const AppPtr app = Load(text);
    ASSERT_EQ(static_cast<size_t>(count), app->m_TaskList.size());
    EXPECT_EQ(taskGetOSVersion, app->m_TaskList[3].ComOption);
    EXPECT_EQ(taskGetApplicationVersion, app->m_TaskList[4].ComOption);
    EXPECT_EQ(taskGetApplicationVersion, app->m_TaskList.back().ComOption);
}

TEST_F(SettingsStoreTest, OutOfRangeTaskValues)
{
    const AppPtr app =
        Load("[WEXLINK]\r\nProtocolTasks=4\r\n"
             "[Task0]\r\nComOption=8\r\nTDFMT=20\r\nDownType=4\r\nadvRcvFmtTime=1\r\nadvRcvFmtDate=11\r\n"
             "advRcvFmtFile=23\r\nTerminalDrive=65538\r\n"
             "[Task1]\r\nComOption=7\r\nTDFMT=19\r\nDownType=3\r\nadvRcvFmtTime=3\r\nadvRcvFmtDate=12\r\n"
             "advRcvFmtFile=24\r\nTerminalDrive=4294967295\r\n"
             "[Task2]\r\nComOption=-1\r\nadvRcvFmtTime=-1\r\nTerminalDrive=-2\r\n"
             "[Task3]\r\nadvRcvFmtTime=0\r\nadvRcvFmtDate=0\r\nadvRcvFmtFile=0\r\n");
    ASSERT_EQ(4u, app->m_TaskList.size());
    const CWexlinkObj& first = app->m_TaskList[0];
    EXPECT_EQ(0, first.ComOption);
    EXPECT_EQ(0, first.TDFMT);
    EXPECT_EQ(0, first.DownType);
    EXPECT_EQ(2, first.TerminalDrive);
    const CWexlinkObj& second = app->m_TaskList[1];
    EXPECT_EQ(7, second.ComOption);
    EXPECT_EQ(19, second.TDFMT);
    EXPECT_EQ(3, second.DownType);
    EXPECT_EQ(-1, second.TerminalDrive);
    // Out-of-range receive-name values keep what the section before left.
    EXPECT_EQ(1, second.advRcvFmtTime);
    EXPECT_EQ(11, second.advRcvFmtDate);
    EXPECT_EQ(23, second.advRcvFmtFile);
    EXPECT_EQ(0, app->m_TaskList[2].ComOption);
    EXPECT_EQ(1, app->m_TaskList[2].advRcvFmtTime);
    EXPECT_EQ(-2, app->m_TaskList[2].TerminalDrive);
    EXPECT_EQ(0, app->m_TaskList[3].advRcvFmtTime);

    EXPECT_EQ(0,
              Load("[WEXLINK]\r\nProtocolTasks=1\r\n[Task0]\r\nadvRcvFmtTime=3\r\n")->m_TaskList.at(0).advRcvFmtTime);
}

TEST_F(SettingsStoreTest, SavingKeepsWhatItDoesNotWrite)
{
    CWexlink32App five;
    five.m_TaskList.assign(5, CWexlinkObj(taskGetApplicationVersion));
    ASSERT_TRUE(five.SaveSettings(File(L"site.wxf")));
    CIniFile ini;
    ini.SetPath(File(L"site.wxf"));
    ASSERT_TRUE(ini.WriteString(L"Custom", L"note", L"kept"));

    CWexlink32App two;
    two.m_TaskList.assign(2, CWexlinkObj(taskSetTimeDate));
    ASSERT_TRUE(two.SaveSettings(File(L"site.wxf")));
    const auto sections = ini.GetSectionNames();
    EXPECT_NE(sections.end(), std::find(sections.begin(), sections.end(), L"Task4"));
    EXPECT_EQ(L"kept", ini.GetString(L"Custom", L"note"));

    CWexlink32App loaded;
    loaded.LoadSettings(File(L"site.wxf"));
    ASSERT_EQ(2u, loaded.m_TaskList.size());
    EXPECT_EQ(taskSetTimeDate, loaded.m_TaskList[1].ComOption);
}

TEST_F(SettingsStoreTest, DamagedFilesLoadWhatTheyHold)
{
    // Cut off in the middle of a key, then binary rubbish.
    std::string damaged = "[RS232]\r\nCOM=5\r\n[WEXLINK]\r\nProtocolTasks=2\r\n[Task0]\r\nComOption=5\r\nPcFile";
    damaged += std::string("\0\xff\xfe[\x01=\r\n=\r\n[", 12);
    const AppPtr app = Load(damaged);
    EXPECT_EQ(5u, app->m_Settings.COM);
    EXPECT_EQ(115200u, app->m_Settings.Baudrate);
    ASSERT_EQ(2u, app->m_TaskList.size());
    EXPECT_EQ(taskTransmitFile, app->m_TaskList[0].ComOption);

    const AppPtr rubbish = Load(std::string(4096, '\xff'));
    ExpectDefaultSettings(rubbish->m_Settings);
    EXPECT_TRUE(rubbish->m_TaskList.empty());
}

TEST_F(SettingsStoreTest, FailedWriteIsReported)
{
    const AppPtr app = ChangedApp();
    EXPECT_FALSE(app->SaveSettings(File(L"missing\\site.wxf")));
}

TEST_F(SettingsStoreTest, LanguageFileLivesInTheSettingsFolder)
{
    CWexlink32App app;
    app.m_SettingsFolder = m_Temp.Path();
    EXPECT_TRUE(app.SaveLanguage(L"Deutsch.dll"));
    EXPECT_EQ((std::vector<std::string>{"[LANGUAGE]", "LANGFILE=Deutsch.dll"}), Lines(File(L"TarvexLang.CFG")));
    EXPECT_TRUE(app.m_LanguageFile.empty());

    // A named settings file's own LANGUAGE section is not the language file.
    const AppPtr loaded = Load("[LANGUAGE]\r\nLANGFILE=FromSettings.dll\r\n");
    CIniFile language;
    language.SetPath(loaded->m_SettingsFolder + L"\\TarvexLang.CFG");
    EXPECT_EQ(language.GetString(L"LANGUAGE", L"LANGFILE"), loaded->m_LanguageFile);
    EXPECT_NE(L"FromSettings.dll", loaded->m_LanguageFile);
}
