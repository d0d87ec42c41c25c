// The task record's constructors fill every field, and copies own their strings.
#include "WexlinkObj.h"

#include <gtest/gtest.h>

namespace {

// Every field but the ones a constructor sets takes the record's default.
void ExpectDefaultsExceptKindAndArguments(const CWexlinkObj& task)
{
    EXPECT_EQ(0, task.DownType);
    EXPECT_FALSE(task.advRcvUseTermId);
    EXPECT_FALSE(task.advRcvUseTime);
    EXPECT_FALSE(task.advRcvUseDate);
    EXPECT_EQ(0, task.advRcvFmtTime);
    EXPECT_EQ(0, task.advRcvFmtDate);
    EXPECT_EQ(0, task.advRcvFmtFile);
    EXPECT_TRUE(task.advRcvUseFilename);
}

}  // namespace

TEST(TaskRecord, DefaultAndSimpleKindsCarryTheDefaults)
{
    for (const CWexlinkObj& task : {CWexlinkObj(), CWexlinkObj(taskSetTimeDate), CWexlinkObj(TimeDateFormat{7})}) {
        ExpectDefaultsExceptKindAndArguments(task);
        EXPECT_TRUE(task.PcFileFolder.empty());
        EXPECT_TRUE(task.TerminalFile.empty());
        EXPECT_EQ(2, task.TerminalDrive);
        EXPECT_FALSE(task.ContOnNotAvail);
    }
    EXPECT_EQ(taskGetOSVersion, CWexlinkObj().ComOption);
    EXPECT_EQ(0, CWexlinkObj().TDFMT);
    EXPECT_EQ(taskSetTimeDate, CWexlinkObj(taskSetTimeDate).ComOption);
    const CWexlinkObj timeDate(TimeDateFormat{7});
    EXPECT_EQ(taskGetTimeDate, timeDate.ComOption);
    EXPECT_EQ(7, timeDate.TDFMT);
}

TEST(TaskRecord, FileTasksTakeTheirArgumentsInOrder)
{
    const CWexlinkObj receive(L"C:\\in", 3, L"*.DAT", 1, true, false, true, true, 2, true, 11, 23);
    EXPECT_EQ(taskReceiveFiles, receive.ComOption);
    EXPECT_EQ(0, receive.TDFMT);
    EXPECT_EQ(L"C:\\in", receive.GetPcFileFolder());
    EXPECT_EQ(3, receive.DownType);
    EXPECT_EQ(L"*.DAT", receive.GetTerminalFile());
    EXPECT_EQ(1, receive.TerminalDrive);
    EXPECT_TRUE(receive.ContOnNotAvail);
    EXPECT_FALSE(receive.advRcvUseFilename);
    EXPECT_TRUE(receive.advRcvUseTermId);
    EXPECT_TRUE(receive.advRcvUseTime);
    EXPECT_EQ(2, receive.advRcvFmtTime);
    EXPECT_TRUE(receive.advRcvUseDate);
    EXPECT_EQ(11, receive.advRcvFmtDate);
    EXPECT_EQ(23, receive.advRcvFmtFile);

    const CWexlinkObj transmit(L"C:\\out\\a.txt", 0, true);
    EXPECT_EQ(taskTransmitFile, transmit.ComOption);
    EXPECT_EQ(L"C:\\out\\a.txt", transmit.PcFileFolder);
    EXPECT_TRUE(transmit.TerminalFile.empty());
    EXPECT_EQ(0, transmit.TerminalDrive);
    EXPECT_TRUE(transmit.ContOnNotAvail);
    ExpectDefaultsExceptKindAndArguments(transmit);

    const CWexlinkObj remove(taskDeleteFiles, L"*.LOG", 1);
    EXPECT_EQ(taskDeleteFiles, remove.ComOption);
    EXPECT_EQ(L"*.LOG", remove.TerminalFile);
    EXPECT_TRUE(remove.PcFileFolder.empty());
    EXPECT_EQ(1, remove.TerminalDrive);
    EXPECT_FALSE(remove.ContOnNotAvail);
    ExpectDefaultsExceptKindAndArguments(remove);
}

TEST(TaskRecord, CopiesAreIndependent)
{
    const CWexlinkObj original(L"C:\\in", 1, L"A.TXT", 0, false, true, false, false, 0, false, 0, 5);
    CWexlinkObj copy(original);
    copy.PcFileFolder = L"D:\\other";
    copy.TerminalFile += L"X";
    EXPECT_EQ(L"C:\\in", original.PcFileFolder);
    EXPECT_EQ(L"A.TXT", original.TerminalFile);

    CWexlinkObj assigned;
    assigned = original;
    EXPECT_EQ(original.TerminalFile, assigned.TerminalFile);
    EXPECT_EQ(original.advRcvFmtFile, assigned.advRcvFmtFile);
    EXPECT_EQ(original.ComOption, assigned.ComOption);
}
