#include "TerminalSimulator.h"

#include "SimFrame.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <system_error>

namespace {

// Garbage for SimFault::Garbage without bytes of its own: no 'T', so a receiver that skips to the
// start of an answer passes over all of it.
const SimBytes kDefaultGarbage = {0x00, 0xFF, 0x13, 0x50, 0xAA, 0x0D, 0x0A};

constexpr uint32_t kIdMask = 0xFFFFFF;

// A paced answer goes out in slices of this much line time, each when its last byte has crossed, so
// that the far end never has a byte sooner than the line could have brought it.
constexpr double kSliceSeconds = 0.004;

}  // namespace

CTerminalSimulator::CTerminalSimulator(const SimTerminalConfig& config)
{
    m_state.config = config;
    InstallBuiltInHandlers();
}

CTerminalSimulator::~CTerminalSimulator()
{
    Stop();
}

bool CTerminalSimulator::Start(int comNumber)
{
    if (IsRunning()) {
        m_lastError = ERROR_BUSY;
        return false;
    }
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_stopEvent == nullptr) {
        m_lastError = GetLastError();
        return false;
    }
    m_comNumber = comNumber;
    if (!m_port.Open(comNumber, m_stopEvent, kIdleMs)) {
        m_lastError = m_port.LastError();
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
        return false;
    }
    m_reader.Reset();
    m_receiveLine = CSimLinePacer(m_lineRate);
    m_lastCrossedAt = 0.0;
    m_sending = CSimLinePacer(m_lineRate);
    m_latenessMicros = 0;
    m_pacedAnswers = 0;
    try {
        m_thread = std::thread(&CTerminalSimulator::Run, this);
    } catch (const std::system_error&) {
        m_lastError = ERROR_NOT_ENOUGH_MEMORY;
        m_port.Close();
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
        return false;
    }
    return true;
}

void CTerminalSimulator::Stop()
{
    if (m_thread.joinable()) {
        SetEvent(m_stopEvent);
        m_thread.join();
    }
    m_port.Close();
    if (m_stopEvent != nullptr) {
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
}

bool CTerminalSimulator::SetLineRate(double bytesPerSecond)
{
    if (IsRunning() || !(bytesPerSecond >= 0.0)) {
        return false;
    }
    m_lineRate = bytesPerSecond;
    return true;
}

void CTerminalSimulator::SetConfig(const SimTerminalConfig& config)
{
    std::lock_guard<std::mutex> guard(m_stateLock);
    m_state.config = config;
}

SimTerminalConfig CTerminalSimulator::Config() const
{
    std::lock_guard<std::mutex> guard(m_stateLock);
    return m_state.config;
}

void CTerminalSimulator::RegisterHandler(uint8_t command, CommandHandler handler)
{
    std::lock_guard<std::mutex> guard(m_handlersLock);
    m_handlers[command] = std::move(handler);
}

void CTerminalSimulator::InjectFault(int command, const SimFault& fault, int count)
{
    m_faults.Add(command, fault, count);
}

CTerminalSimulator::CommandHandler CTerminalSimulator::FindHandler(uint8_t command)
{
    std::lock_guard<std::mutex> guard(m_handlersLock);
    const auto found = m_handlers.find(command);
    return found == m_handlers.end() ? CommandHandler{} : found->second;
}

void CTerminalSimulator::InstallBuiltInHandlers()
{
    RegisterHandler(SimWire::kConnect, [](const SimRequest&, SimTerminalState& state) {
        SimReply reply;
        reply.answerCommand = SimWire::kConnectAnswer;
        reply.payload = {static_cast<uint8_t>(state.config.maxFrameSize >> 8),
                         static_cast<uint8_t>(state.config.maxFrameSize), state.config.versionMajor,
                         state.config.versionMinor};
        state.inSession = true;
        ++state.connects;
        return reply;
    });
    RegisterHandler(SimWire::kEndSession, [](const SimRequest&, SimTerminalState& state) {
        state.inSession = false;
        return SimReply{};
    });
}

void CTerminalSimulator::Run()
{
    for (;;) {
        SimBytes bytes;
        switch (m_port.Read(bytes, ReadSize())) {
        case SimIoResult::Stopped:
            return;
        case SimIoResult::Failed:
            // The line may come back (an unplugged adapter): after a pause the port is opened
            // afresh, since a handle to a line that went away never carries anything again.
            m_lastError = m_port.LastError();
            if (!PauseUnlessStopped(kIdleMs)) {
                return;
            }
            ReopenPort();
            continue;
        case SimIoResult::Idle:
            if (m_reader.Buffered() != 0) {
                m_reader.DropStalledCandidate();
            }
            break;
        case SimIoResult::Data:
            m_lastCrossedAt = m_receiveLine.Book(bytes.size(), ArrivalTime(bytes.size()));
            m_reader.Append(bytes.data(), bytes.size());
            break;
        }
        ScanBuffered();
        if (WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0) {
            return;
        }
    }
}

// Paced, a read asks for no more than completes the request, so that it ends on the request's last
// byte rather than on the read interval after it; and for no more than the line carries in a slice.
// A read's bytes are booked on the line from the moment the read ends, as if they had all come then:
// a read of a whole long request, which ends only once the pseudo-terminals have carried all of it,
// would book the request from its last byte's coming, and count that carrying time (milliseconds for
// 16 KB) as line time the far end left unused. Reads of a slice each end as their bytes come, and
// the line stays busy from the request's first byte to its last as long as the far end keeps ahead.
size_t CTerminalSimulator::ReadSize() const
{
    if (!m_receiveLine.IsPaced()) {
        return CSimSerialPort::kReadBufferSize;
    }
    return std::min(m_reader.BytesWanted(), SliceBytes(m_receiveLine));
}

size_t CTerminalSimulator::SliceBytes(const CSimLinePacer& line)
{
    return std::max<size_t>(1, static_cast<size_t>(line.Rate() * kSliceSeconds));
}

void CTerminalSimulator::ReopenPort()
{
    if (m_port.Open(m_comNumber, m_stopEvent, kIdleMs)) {
        m_reader.Reset();  // what came before the line went away is no part of any later request
    } else {
        m_lastError = m_port.LastError();
    }
}

// A read that came back short ended on the port's read interval, which passed after its last byte.
double CTerminalSimulator::ArrivalTime(size_t count) const
{
    const double now = SimLineClockNow();
    return count < m_port.LastReadRequested() ? now - CSimSerialPort::kReadIntervalMs / 1000.0 : now;
}

void CTerminalSimulator::ScanBuffered()
{
    const size_t maxFrame = std::min<size_t>(Config().maxFrameSize, SimWire::kLargestFrame);
    m_reader.SetMaxFrameSize(maxFrame);
    for (;;) {
        SimRequest request;
        SimFrameRecord refused;
        const SimScanResult result = m_reader.Scan(request, refused);
        m_skipped = m_reader.SkippedBytes();
        if (result == SimScanResult::NeedMore) {
            return;
        }
        if (result == SimScanResult::Refused) {
            refused.tick = GetTickCount64();
            m_log.Add(std::move(refused));
            continue;
        }
        Serve(request);
        if (WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0) {
            return;
        }
    }
}

SimFrameRecord CTerminalSimulator::RecordOf(const SimRequest& request)
{
    SimFrameRecord record;
    record.direction = SimDirection::Received;
    record.command = request.command;
    record.status = request.statusByte;
    record.block = request.block;
    record.terminalId = request.terminalId;
    record.payload = request.payload;
    record.raw = request.raw;
    record.tick = GetTickCount64();
    return record;
}

void CTerminalSimulator::Serve(const SimRequest& request)
{
    SimFrameRecord received = RecordOf(request);
    if (Refuse(request, received)) {
        m_log.Add(std::move(received));
        return;
    }
    const CommandHandler handler = FindHandler(request.command);
    SimReply reply;
    try {
        std::lock_guard<std::mutex> guard(m_stateLock);
        reply = handler(request, m_state);
    } catch (const std::exception& error) {
        // A handler that trips over a malformed request must not take the test program down with
        // it: the request goes unanswered, as a terminal that rejects it would leave it.
        received.refused = true;
        received.note = std::string("handler failed: ") + error.what();
        m_log.Add(std::move(received));
        return;
    }
    if (reply.silent) {
        received.note = "left unanswered by its handler";
        m_log.Add(std::move(received));
        return;
    }
    Answer(request, reply, received);
}

// A terminal ignores requests that are not addressed to it and commands it does not know.
bool CTerminalSimulator::Refuse(const SimRequest& request, SimFrameRecord& received)
{
    if (!request.isConnect && request.terminalId != (Config().terminalId & kIdMask)) {
        received.refused = true;
        received.note = "foreign terminal ID";
    } else if (!FindHandler(request.command)) {
        received.refused = true;
        received.note = "no handler for the command";
    }
    return received.refused;
}

bool CTerminalSimulator::Answer(const SimRequest& request, const SimReply& reply, SimFrameRecord& received)
{
    SimAnswer answer;
    answer.terminalId = Config().terminalId & kIdMask;
    answer.command = reply.answerCommand >= 0 ? static_cast<uint8_t>(reply.answerCommand) : request.command;
    answer.status = reply.status;
    answer.block = reply.block;
    answer.payload = reply.payload;

    SimFault fault;
    bool faulty = m_faults.Take(request.command, fault);
    if (faulty && (fault.kind == SimFaultKind::NoAnswer || fault.kind == SimFaultKind::LateGarbage)) {
        received.note = fault.kind == SimFaultKind::NoAnswer ? "fault: no answer" : "fault: late garbage, no answer";
        m_log.Add(std::move(received));
        if (fault.kind == SimFaultKind::LateGarbage && PauseUnlessStopped(fault.delayMs)) {
            m_port.Write(fault.bytes.empty() ? kDefaultGarbage : fault.bytes, kWriteTimeoutMs);
        }
        return true;
    }
    if (faulty && fault.kind == SimFaultKind::Noise) {
        const bool answers = fault.value >= 0;
        received.note = answers ? "fault: noise, then the answer late" : "fault: noise instead of an answer";
        m_log.Add(std::move(received));
        if (!SendNoise(fault.delayMs) || !answers || !PauseUnlessStopped(static_cast<DWORD>(fault.value))) {
            return true;
        }
        faulty = false;  // the answer itself goes out whole
    } else {
        m_log.Add(std::move(received));
    }

    SimFrameRecord sent;
    sent.direction = SimDirection::Sent;
    SimBytes frame;
    if (faulty) {
        // Field faults change the answer before it is encoded, byte faults the encoded frame.
        switch (fault.kind) {
        case SimFaultKind::WrongTerminalId:
            answer.terminalId = fault.value >= 0 ? static_cast<uint32_t>(fault.value) & kIdMask : answer.terminalId ^ 1;
            sent.note = "fault: wrong terminal ID";
            break;
        case SimFaultKind::WrongCommand:
            answer.command =
                fault.value >= 0 ? static_cast<uint8_t>(fault.value) : static_cast<uint8_t>(answer.command ^ 1);
            sent.note = "fault: wrong command";
            break;
        case SimFaultKind::WrongBlock:
            answer.block =
                fault.value >= 0 ? static_cast<uint8_t>(fault.value) : static_cast<uint8_t>(answer.block + 1);
            sent.note = "fault: wrong block";
            break;
        case SimFaultKind::Status:
            answer.status = static_cast<uint8_t>(fault.value);
            sent.note = "fault: status " + std::to_string(fault.value);
            break;
        default:
            break;
        }
    }
    if (!CSimFrame::EncodeAnswer(answer, frame)) {
        m_lastError = ERROR_INVALID_DATA;  // a handler's payload beyond any frame
        return false;
    }
    if (faulty && !ApplyFault(fault, frame, sent)) {
        return false;  // stopped during a delay
    }
    // The answer can start once the request has crossed the line, and after a delay once that has
    // passed too. (The bytes just read completed the request, so the request crossed no later.)
    const double readyAt =
        faulty && fault.kind == SimFaultKind::Delay ? std::max(m_lastCrossedAt, SimLineClockNow()) : m_lastCrossedAt;
    sent.terminalId = answer.terminalId;
    sent.command = answer.command;
    sent.status = answer.status;
    sent.block = answer.block;
    sent.payload = answer.payload;
    sent.raw = frame;
    const SimIoResult written = WriteAnswer(frame, readyAt);
    if (written != SimIoResult::Data) {
        m_lastError = m_port.LastError();
        return false;
    }
    sent.tick = GetTickCount64();
    m_log.Add(std::move(sent));
    return true;
}

// Byte faults, on the encoded frame; false when a delay was cut short by Stop.
bool CTerminalSimulator::ApplyFault(const SimFault& fault, SimBytes& frame, SimFrameRecord& sent)
{
    switch (fault.kind) {
    case SimFaultKind::GarbageBefore: {
        const SimBytes& garbage = fault.bytes.empty() ? kDefaultGarbage : fault.bytes;
        frame.insert(frame.begin(), garbage.begin(), garbage.end());
        sent.note = "fault: garbage before the frame";
        break;
    }
    case SimFaultKind::BadCrc:
        frame.back() = static_cast<uint8_t>(~frame.back());
        sent.note = "fault: bad CRC";
        break;
    case SimFaultKind::OversizeLength:
    case SimFaultKind::UndersizeLength: {
        const bool over = fault.kind == SimFaultKind::OversizeLength;
        const int length = fault.value >= 0 ? fault.value : (over ? 0x4001 : 10);
        CSimFrame::WriteBig16(&frame[1], static_cast<uint16_t>(length));
        CSimFrame::RewriteCrc(frame);
        sent.note = over ? "fault: oversize length field" : "fault: undersize length field";
        break;
    }
    case SimFaultKind::Truncated: {
        const size_t keep = fault.value >= 0 ? static_cast<size_t>(fault.value) : frame.size() - 3;
        frame.resize(std::min(keep, frame.size()));
        sent.note = "fault: truncated frame";
        break;
    }
    case SimFaultKind::Delay:
        sent.note = "fault: delayed by " + std::to_string(fault.delayMs) + " ms";
        return PauseUnlessStopped(fault.delayMs);
    default:
        break;
    }
    return true;
}

// A line that carries noise for a while: a burst of the default garbage every few milliseconds, about
// what a 230400 baud line holds. Requests that come meanwhile wait in the input queue. False on Stop.
bool CTerminalSimulator::SendNoise(DWORD ms)
{
    SimBytes burst;
    while (burst.size() < 256) {
        burst.insert(burst.end(), kDefaultGarbage.begin(), kDefaultGarbage.end());
    }
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        if (m_port.Write(burst, kWriteTimeoutMs) != SimIoResult::Data || !PauseUnlessStopped(10)) {
            return false;
        }
    }
    return true;
}

bool CTerminalSimulator::PauseUnlessStopped(DWORD ms)
{
    return WaitForSingleObject(m_stopEvent, ms) == WAIT_TIMEOUT;
}

// Waits, in whole milliseconds rounded up, until the clock has reached `time`; false on Stop.
bool CTerminalSimulator::PauseUntil(double time)
{
    for (;;) {
        const double remaining = time - SimLineClockNow();
        if (remaining <= 0.0) {
            return true;
        }
        if (!PauseUnlessStopped(static_cast<DWORD>(std::ceil(remaining * 1000.0)))) {
            return false;
        }
    }
}

// Unpaced, the frame goes out in one write. Paced, it starts on the line once it is ready and the
// line is free, and goes out a slice at a time, each slice when the line would have carried its last
// byte; the simulator's own wake-up time thus costs no line time.
SimIoResult CTerminalSimulator::WriteAnswer(const SimBytes& frame, double readyAt)
{
    if (!m_sending.IsPaced()) {
        return m_port.Write(frame, kWriteTimeoutMs);
    }
    const double start = std::max(readyAt, m_sending.FreeAt());
    m_sending.Book(frame.size(), start);
    const size_t slice = SliceBytes(m_sending);
    size_t written = 0;
    while (written < frame.size()) {
        if (!PauseUntil(m_sending.TimeOf(start, std::min(frame.size(), written + slice)))) {
            return SimIoResult::Stopped;
        }
        const size_t crossed = m_sending.CrossedBy(start, frame.size(), SimLineClockNow());
        const SimBytes part(frame.begin() + static_cast<std::ptrdiff_t>(written),
                            frame.begin() + static_cast<std::ptrdiff_t>(crossed));
        const SimIoResult result = m_port.Write(part, kWriteTimeoutMs);
        if (result != SimIoResult::Data) {
            return result;
        }
        written = crossed;
    }
    const double late = SimLineClockNow() - m_sending.FreeAt();
    m_latenessMicros += static_cast<long long>(std::max(0.0, late) * 1e6);
    ++m_pacedAnswers;
    return SimIoResult::Data;
}

double CTerminalSimulator::MeanAnswerLatenessMs() const
{
    const long long answers = m_pacedAnswers.load();
    return answers != 0 ? static_cast<double>(m_latenessMicros.load()) / 1000.0 / static_cast<double>(answers) : 0.0;
}
