// The task record's constructors put each argument in its field.
#include "WexlinkObj.h"

#include <gtest/gtest.h>

TEST(TaskRecord, EveryConstructorLeavesUnusedFieldsAtTheirDefaults)
{
    for (const CWexlinkObj& task : {CWexlinkObj(), CWexlinkObj(taskSetTimeDate), CWexlinkObj(TimeDateFormat{7}),
                                    CWexlinkObj(L"C:\\a.txt", 2, false), CWexlinkObj(taskDeleteFiles, L"*", 2)}) {
        EXPECT_EQ(0, task.DownType);
        EXPECT_EQ(2, task.TerminalDrive);
        EXPECT_FALSE(task.ContOnNotAvail);
        EXPECT_TRUE(task.advRcvUseFilename);
        EXPECT_FALSE(task.advRcvUseTermId || task.advRcvUseTime || task.advRcvUseDate);
        EXPECT_EQ(0, task.advRcvFmtTime + task.advRcvFmtDate + task.advRcvFmtFile);
    }
    const CWexlinkObj timeDate(TimeDateFormat{7});
    EXPECT_EQ(taskGetTimeDate, timeDate.ComOption);
    EXPECT_EQ(7, timeDate.TDFMT);
    EXPECT_TRUE(timeDate.PcFileFolder.empty() && timeDate.TerminalFile.empty());
    EXPECT_EQ(taskSetTimeDate, CWexlinkObj(taskSetTimeDate).ComOption);
}

TEST(TaskRecord, FileTasksTakeTheirArgumentsInOrder)
{
    const CWexlinkObj receive(L"C:\\in", 3, L"*.DAT", 1, true, false, true, true, 2, true, 11, 23);
    EXPECT_EQ(taskReceiveFiles, receive.ComOption);
    EXPECT_EQ(L"C:\\in", receive.GetPcFileFolder());
    EXPECT_EQ(3, receive.DownType);
    EXPECT_EQ(L"*.DAT", receive.GetTerminalFile());
    EXPECT_EQ(1, receive.TerminalDrive);
    EXPECT_TRUE(receive.ContOnNotAvail);
    EXPECT_FALSE(receive.advRcvUseFilename);
    EXPECT_TRUE(receive.advRcvUseTermId && receive.advRcvUseTime && receive.advRcvUseDate);
    EXPECT_EQ(2, receive.advRcvFmtTime);
    EXPECT_EQ(11, receive.advRcvFmtDate);
    EXPECT_EQ(23, receive.advRcvFmtFile);

    const CWexlinkObj transmit(L"C:\\out\\a.txt", 0, true);
    EXPECT_EQ(taskTransmitFile, transmit.ComOption);
    EXPECT_EQ(L"C:\\out\\a.txt", transmit.PcFileFolder);
    EXPECT_EQ(0, transmit.TerminalDrive);
    EXPECT_TRUE(transmit.ContOnNotAvail);

    const CWexlinkObj remove(taskDeleteFiles, L"*.LOG", 1);
    EXPECT_EQ(taskDeleteFiles, remove.ComOption);
    EXPECT_EQ(L"*.LOG", remove.TerminalFile);
    EXPECT_EQ(1, remove.TerminalDrive);
}
