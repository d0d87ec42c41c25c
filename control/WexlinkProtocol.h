// The protocol engine: one per protocol run, on the worker thread's stack. It opens the COM port,
// polls for a terminal with the connect request, runs the queued protocol options against each
// terminal that answers, and reports every step to its sink.
//
// Its member functions are split by concern: WexlinkProtocolFrames.cpp (CRC, request and answer
// frames, the retry rule of one exchange, connect, end of session, closing pairs),
// WexlinkProtocolSession.cpp (the session driver, status and progress reports, the worker entry)
// and one file per command family.
#pragma once

#include "BuildStatusInfo.h"
#include "CommOptionsObj.h"
#include "EngineSink.h"
#include "ProtocolTimings.h"
#include "SerialComIrDA.h"
#include "WexlinkEnums.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CComProgress;

// The control's queue of protocol options, shared with the engine under the option lock.
using CCommOptionsList = std::vector<CCommOptionsObj>;

// What the control's worker thread hands the engine for one run.
struct CWexlinkWorkerSetup {
    int comPort = 1;
    long baudRate = 115200;
    enumIRDADev irdaDevice = irdaParallax;
    enumCommType commType = commContinuous;
    long timesCount = 0;
    HANDLE stopEvent = nullptr;  // manual-reset; set to stop the run
    CRITICAL_SECTION* optionLock = nullptr;
    CCommOptionsList* optionQueue = nullptr;
    HANDLE listEvent = nullptr;   // manual-reset; set by the control when it clears the queue
    IEngineSink* sink = nullptr;  // where the run's reports go; none: they go nowhere
    CProtocolTimings timings;     // the control keeps the defaults
};

class CWexlinkProtocol {
public:
    // Largest frame either side may send, and the size of each frame buffer (one spare byte).
    static constexpr int MaxFrameSize = 16384;
    static constexpr int FrameBufferSize = MaxFrameSize + 1;
    // Bytes of a request or answer that are not payload: 'P'/'T', length, ID, command, status,
    // block number and CRC.
    static constexpr int FrameOverhead = 11;
    static constexpr int PayloadOffset = 9;

    // Command bytes of the frames this file family sends and expects.
    static constexpr BYTE CmdEndOfSession = 0x00;
    static constexpr BYTE CmdConnect = 0x05;
    static constexpr BYTE CmdConnectAnswer = 0xFE;

    static constexpr int Attempts = 3;

    CWexlinkProtocol();
    virtual ~CWexlinkProtocol();
    CWexlinkProtocol(const CWexlinkProtocol&) = delete;
    CWexlinkProtocol& operator=(const CWexlinkProtocol&) = delete;

    // The worker thread's whole job: builds an engine, hands it the setup, runs, destroys it.
    static int RunWorker(const CWexlinkWorkerSetup& setup);

    // Setters, called before RunSession.
    void SetComPort(int port);
    void SetBaudRate(long rate);             // one of the rates from 1200 to 115200, else ignored
    void SetIrdaDevice(enumIRDADev device);  // 0..4, else ignored
    void SetStopEvent(HANDLE stopEvent);     // null is ignored
    void SetCriticalSection(CRITICAL_SECTION* optionLock);
    void SetOptionsList(CCommOptionsList* optionQueue);
    void SetListEvent(HANDLE listEvent);
    // Not owned; it must outlive the run. Without one the reports go nowhere.
    void SetSink(IEngineSink* sink);
    void SetTimings(const CProtocolTimings& timings);
    const CProtocolTimings& Timings() const { return m_timings; }

    // Polls, runs sessions and returns 0 when the run ends (stop, failed open or a count limit).
    int RunSession(enumCommType commType, long timesCount);

    // Delivers the status of a code unless it repeats the previous one.
    void ReportStatus(ProtocolCode code, std::wstring first, std::wstring second);
    void SendProgress(std::int16_t percentage);

    // Frames. Results are 0 or a negative ProtocolCode.
    static WORD CalcCrc16(const BYTE* data, int count);
    ProtocolCode SendFrame(long terminalId, BYTE command, int status, BYTE block, const BYTE* payload,
                           int payloadLength);
    // Lays a request frame out in `frame` (FrameBufferSize bytes) and returns its length; a payload
    // that no frame holds is reported and refused with CannotTransmit.
    int BuildFrame(BYTE* frame, long terminalId, BYTE command, int status, BYTE block, const BYTE* payload,
                   int payloadLength);
    // Sends a frame laid out by BuildFrame: Success, CannotTransmit (reported) or UserAborted.
    ProtocolCode SendBuiltFrame(const BYTE* frame, int frameLength);
    // terminalId -1 takes the answer's ID; any other must match it. The payload of the answer lies
    // in the receive frame from PayloadOffset, frameLength - FrameOverhead bytes long.
    ProtocolCode ReceiveFrame(long& terminalId, int expectedCommand, int& status, int& block, int& frameLength,
                              DWORD timeoutMs);
    // Waits up to ms on the stop event; true (and reported) when it is set.
    bool IsAborted(DWORD ms);
    // Returns the terminal ID (0 or more) or a negative ProtocolCode.
    long Connect(DWORD timeoutMs);
    ProtocolCode Disconnect(long terminalId);
    // A closing request: Success, or after three failed attempts the last receive failure, or
    // NotSucceededAfterRetries when the terminal refused the last one.
    ProtocolCode SimpleRequest(long terminalId, BYTE command);

    // --- One request and its answer, tried up to three times ---
    // The request frame (always sent with status 0); its answer must echo the command.
    struct ExchangeRequest {
        BYTE command = 0;
        BYTE block = 0;
        const BYTE* payload = nullptr;
        int payloadLength = 0;
        // A frame already laid out for this request (BuildFrame), sent as it stands on every attempt.
        const BYTE* frame = nullptr;
        int frameLength = 0;
        // Work for the time the terminal takes in the request and answers it: run once, after the
        // first attempt's frame has gone out and before its answer is awaited.
        const std::function<void()>* whileAnswering = nullptr;
    };
    // An answer that arrived whole from the session's terminal and echoes the command. Its payload
    // lies at ReceivedPayload().
    struct ExchangeAnswer {
        int status = 0;  // the terminal's status value: the negated status byte
        int block = 0;
        int payloadLength = 0;
    };
    // What the calling routine makes of such an answer: take it, ask again (the attempt counts as
    // failed with the code given), or end the exchange at once with a code of its own.
    struct AnswerVerdict {
        enum class Kind { Accept, AskAgain, End };
        Kind kind;
        ProtocolCode code;
        static AnswerVerdict Accept() { return {Kind::Accept, 0}; }
        static AnswerVerdict AskAgain(ProtocolCode failure = ProtocolResult::NotSucceededAfterRetries)
        {
            return {Kind::AskAgain, failure};
        }
        static AnswerVerdict End(ProtocolCode code) { return {Kind::End, code}; }
    };
    using AnswerCheck = AnswerVerdict (*)(const ExchangeRequest& request, const ExchangeAnswer& answer);
    static AnswerVerdict AcceptAnyAnswer(const ExchangeRequest& request, const ExchangeAnswer& answer);
    enum class RetryPause { BeforeEachRetry, None };
    struct ExchangeOutcome {
        // Success when the check accepted an answer; the check's code when it ended the exchange; a
        // failed send's code (CannotTransmit or UserAborted); UserAborted on a stop;
        // NotSucceededAfterRetries, not reported, once every attempt has failed.
        ProtocolCode result = 0;
        // After every attempt has failed: the last receive failure, or the code the check gave the
        // last refused answer.
        ProtocolCode lastFailure = 0;
        ExchangeAnswer answer;  // the answer that was accepted or ended the exchange
    };
    // The retry rule of every command: a pause that the stop event cuts short before the second and
    // third attempt (unless the command wants none); a failed send or a stop ends at once; an answer
    // that does not arrive whole, or that the check refuses, leads to the next attempt.
    ExchangeOutcome Exchange(long terminalId, const ExchangeRequest& request, AnswerCheck check,
                             RetryPause pause = RetryPause::BeforeEachRetry);

    // Clock and version commands (WexlinkProtocolClock.cpp). Results Success, CannotTransmit,
    // NotSucceededAfterRetries or UserAborted.
    // Reads the terminal clock and reports it as text in the format (an empty text when the clock
    // makes no sense).
    ProtocolCode GetTimeDate(long terminalId, enumTimeDateFmt format);
    // Sends the values unchanged: they were checked when the option was made.
    ProtocolCode SetTimeDate(long terminalId, std::int16_t hours, std::int16_t minutes, std::int16_t seconds,
                             std::int16_t day, std::int16_t month, std::int16_t year);
    ProtocolCode GetOsVersion(long terminalId);
    ProtocolCode GetApplicationVersion(long terminalId);

    int MaxFrameSizeOfTerminal() const { return m_maxFrameSize; }
    BYTE ProtocolVersionMajor() const { return m_versionMajor; }
    BYTE ProtocolVersionMinor() const { return m_versionMinor; }
    const BYTE* ReceivedPayload() const { return m_receiveFrame + PayloadOffset; }

    // The PC's local clock as the set-local-time option sends it: read, turned into a calendar time
    // and back. False when the clock cannot be turned into a calendar time.
    static bool LocalClockToOption(const SYSTEMTIME& local, CCommOptionsObj& option);
    // Terminal names and patterns travel as 8-bit text in the thread's code page.
    static std::string ToTerminalText(const std::wstring& text);
    static std::wstring FromTerminalText(const char* text, int length);
    static std::wstring FromTerminalText(const std::string& text);

    // --- File listing and deletion ---
    // The 14-byte field that names a terminal file or pattern in the opening requests of the file
    // commands: bytes 0-11 the 8-bit name, zero-padded (a longer name is cut at 12 bytes); byte 12
    // zero; byte 13 the low byte of the terminal drive.
    static constexpr int TerminalNameFieldSize = 14;
    using TerminalNameField = std::array<BYTE, TerminalNameFieldSize>;
    static TerminalNameField BuildTerminalNameField(const std::string& name, std::int16_t drive);

    static constexpr BYTE CmdListFiles = 0x30;
    static constexpr BYTE CmdListFilesNext = 0x31;
    static constexpr BYTE CmdListFilesClose = 0x32;
    static constexpr BYTE CmdListFilesCloseAck = 0x33;
    static constexpr BYTE CmdDeleteFiles = 0x40;
    static constexpr BYTE CmdDeleteFilesNext = 0x41;
    static constexpr BYTE CmdDeleteFilesClose = 0x42;
    static constexpr BYTE CmdDeleteFilesCloseAck = 0x43;

    // List or delete the files of a drive that match the pattern (8-bit text, '*' and '?' allowed),
    // reporting the count and every entry. 0, or a negative ProtocolCode; a failure leaves the
    // closing pair unsent.
    ProtocolCode ListFiles(long terminalId, const std::string& pattern, std::int16_t drive);
    ProtocolCode DeleteFiles(long terminalId, const std::string& pattern, std::int16_t drive);
    // One entry exchange (block number taken modulo 256). On success the answer's whole payload is
    // copied to destination, which must hold FrameBufferSize bytes, and its length stored.
    ProtocolCode ListFilesNextBlock(long terminalId, BYTE* destination, int block, int& payloadLength);
    ProtocolCode DeleteFilesNextBlock(long terminalId, BYTE* destination, int block, int& payloadLength);
    // --- end of file listing and deletion ---

    // --- Receiving files ---
    // Largest announced file size accepted: the whole file is collected in memory before it is
    // written, and a 32-bit process cannot count on a larger block of memory in one piece.
    static constexpr std::uint32_t MaxReceiveFileSize = 256u * 1024u * 1024u;
    // Receives one terminal file into the PC file named by pcPath, treated by downType when it exists.
    ProtocolCode ReceiveFile(long terminalId, const std::wstring& pcPath, enumDownType downType,
                             const std::string& terminalFile, std::int16_t terminalDrive);
    // The 0x10 exchange: opens the terminal file and gives its announced size.
    ProtocolCode OpenTerminalFile(long terminalId, const std::string& terminalFile, std::int16_t terminalDrive,
                                  std::uint32_t& size);
    // One 0x11 exchange; on success the block's data are copied into destination (room for a frame).
    ProtocolCode ReadFileBlock(long terminalId, BYTE* destination, BYTE block, int& dataLength);
    // Stores the data under pcPath by downType; writtenPath receives the path actually written.
    ProtocolCode WritePcFile(const std::wstring& pcPath, enumDownType downType, const BYTE* data, std::uint32_t size,
                             std::wstring& writtenPath);
    // For downNewExtension and downNewFile: turns pcPath (folder + fileName) into a name that no file
    // or folder has yet; NoMoreExtension or NoMoreFileName when every candidate is taken.
    static ProtocolCode MakeFreePcFileName(std::wstring& pcPath, const std::wstring& folder,
                                           const std::wstring& fileName, enumDownType downType);
    // --- end of receiving files ---

    // --- Transmitting files ---
    static constexpr BYTE CmdCreateFile = 0x20;
    static constexpr BYTE CmdWriteBlock = 0x21;
    static constexpr BYTE CmdCloseTransmit = 0x22;
    static constexpr BYTE CmdCloseTransmitEnd = 0x23;
    // Sends one PC file to the terminal as terminalFile on terminalDrive, with progress and reports.
    ProtocolCode TransmitFile(long terminalId, const std::wstring& pcFile, const std::string& terminalFile,
                              std::int16_t terminalDrive);
    // Reads the PC file's size (handed back in size) and asks the terminal to create its file.
    ProtocolCode CreateTerminalFile(long terminalId, const std::wstring& pcFile, const std::string& terminalFile,
                                    std::int16_t terminalDrive, DWORD& size);
    // One data block, laid out in `frame` and sent again on the retry rule until the terminal takes
    // it; `whileAnswering` runs once while the first attempt's answer is awaited.
    ProtocolCode WriteFileBlock(long terminalId, const BYTE* frame, int frameLength, BYTE block,
                                const std::function<void()>& whileAnswering);
    // --- end of transmitting files ---

protected:
    // Tests watch or fail the port's writes and line changes through the platform.
    explicit CWexlinkProtocol(CSerialPlatform& platform);

    // Steps of the driver, kept apart so that tests can run a part of it.
    // Opens the port and sets the line up; false (and reported) when either fails.
    bool OpenConfiguredPort();
    bool IsConfiguredPortListed() const;
    // The configured rate, adapter, framing and times; false when the adapter could not be told the
    // rate or the port closed under it.
    bool SetUpLine();

private:
    enum class OptionOutcome { Done, Failed, Aborted };
    enum class SessionOutcome { Completed, NotCompleted, Aborted };
    // What the driver does for one option kind: the report before the routine, the routine, the
    // report after it returned 0.
    struct OptionStep {
        ProtocolCode before;
        ProtocolCode (*routine)(CWexlinkProtocol& engine, long terminalId, const CCommOptionsObj& option);
        ProtocolCode after;
    };
    static const OptionStep s_optionSteps[];

    bool PauseBeforeRetry();  // true when the stop event ended the pause (already reported)
    // Feeds a transfer's byte count to its tracker and sends the percentage when it has changed.
    void SendChangedProgress(CComProgress& progress, std::uint64_t done);
    ProtocolCode WriteFailed();  // after a refused write: the stop or the transmission code, reported
    // The most a read takes while it drains noise before an answer.
    static constexpr DWORD NoiseReadSize = 512;
    static DWORD TimeLeft(ULONGLONG deadline);
    // The answer frame, looked for until the deadline (a GetTickCount64 value).
    ProtocolCode ReceiveFrameBy(long& terminalId, int expectedCommand, int& status, int& block, int& frameLength,
                                ULONGLONG deadline);
    ProtocolCode WaitForAnswerStart(ULONGLONG deadline);
    // got: bytes of the frame read after its start byte
    ProtocolCode ReadUntilAnswerStart(int& got, ULONGLONG deadline);
    DWORD ReadBy(BYTE* chunk, DWORD wanted, ULONGLONG deadline, DWORD atLeastMs);  // wanted <= NoiseReadSize
    ProtocolCode ReadAnswerBytes(int offset, int count);

    bool IsStopSet() const;
    bool WaitForStop(DWORD ms) const;
    bool IsLineLost(long result) const;
    bool TryOpenLine();  // opened and set up, or closed again
    void ReportOpenFailure();
    // Closes the port and opens it again once it is back; false when the run must end (stopped, or
    // listed but refusing to open past the grace; already reported). `announce` reports the return
    // even when the port never left the port list.
    bool AwaitLineBack(bool announce = false);
    std::wstring PortText() const;
    SessionOutcome RunConnectedSession(long terminalId);
    bool TakeNextOption(std::size_t& index, std::size_t& count, CCommOptionsObj& option);
    OptionOutcome RunOption(long terminalId, const CCommOptionsObj& option);
    ProtocolCode RunOptionStep(long terminalId, const CCommOptionsObj& option);
    std::wstring FailureArgument(ProtocolCode code, const CCommOptionsObj& option) const;
    std::wstring VersionText() const;
    bool IsVersionBelow101() const;

    int m_comPort = 1;
    CProtocolTimings m_timings;
    CSerialComIrDA m_serial;
    enumIRDADev m_irdaDevice = irdaParallax;
    long m_baudRate = 115200;
    CRITICAL_SECTION* m_optionLock = nullptr;
    CCommOptionsList* m_optionQueue = nullptr;
    HANDLE m_listEvent = nullptr;
    IEngineSink* m_sink = nullptr;
    CBuildStatusInfo m_statusBuilder;
    HANDLE m_stopEvent = nullptr;
    int m_maxFrameSize = 255;
    BYTE m_versionMajor = 0;
    BYTE m_versionMinor = 0;
    BYTE m_sendFrame[FrameBufferSize];
    BYTE m_receiveFrame[FrameBufferSize];
    BYTE m_blockData[FrameBufferSize];
    BYTE m_nextFrame[FrameBufferSize];  // a transmitted file's next block, laid out while the current one is answered
};
