#pragma once
// A portable terminal on the far end of a virtual serial line, for tests and the demo. It runs on a
// thread of its own, reads request frames from its COM port, answers them through a table of command
// handlers, and logs every frame. Tests steer it with per-exchange faults and wait on its log.
//
//     CTerminalSimulator terminal;                     // or with a SimTerminalConfig
//     ASSERT_TRUE(terminal.Start(line.terminalPort));
//     terminal.InjectFault(0x05, SimFault::NoAnswer(), 2);  // ignore the next two connect requests
//     ... run the code under test against line.pcPort ...
//     EXPECT_TRUE(terminal.WaitForFrames(SimDirection::Sent, 0x00, 1, 5000));
//     terminal.Stop();
//
// Built in: connect (request 0x05, answer 0xFE with maximum frame size and protocol version) and end
// of session (0x00). Further commands are added with RegisterHandler; they find the terminal's files
// in SimTerminalState::files.
//
// Paced (SetLineRate before Start), the simulator behaves as a terminal on a real line of that byte
// rate: a request is answered no sooner than its last byte could have crossed, and an answer reaches
// the line no faster than the rate carries it. A pseudo-terminal ignores the baud rate, so only a paced
// run gives a throughput figure that means anything.

#include "SimFaultPlan.h"
#include "SimFrameLog.h"
#include "SimFrameReader.h"
#include "SimLinePacer.h"
#include "SimSerialPort.h"
#include "SimTerminalState.h"
#include "SimTypes.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

class CTerminalSimulator {
public:
    // Runs on the simulator's thread with the state lock held. The reply's status, block and payload
    // make the answer; SimReply::silent leaves the request unanswered.
    using CommandHandler = std::function<SimReply(const SimRequest& request, SimTerminalState& state)>;

    static constexpr int kAnyCommand = CSimFaultPlan::kAnyCommand;

    explicit CTerminalSimulator(const SimTerminalConfig& config = SimTerminalConfig{});
    ~CTerminalSimulator();
    CTerminalSimulator(const CTerminalSimulator&) = delete;
    CTerminalSimulator& operator=(const CTerminalSimulator&) = delete;

    // Opens "\\.\COMn" and starts serving it; false (with LastError) when the port cannot be opened.
    bool Start(int comNumber);
    // Ends the thread and closes the port. Prompt even while the thread waits for bytes or delays an
    // answer; safe to call when not running.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }
    DWORD LastError() const { return m_lastError; }

    // Bytes per second in each direction (for 8N1 a tenth of the baud rate); 0 for an unpaced line.
    // Applies from the next Start; false, and nothing changed, while running or for a negative rate.
    bool SetLineRate(double bytesPerSecond);
    double LineRate() const { return m_lineRate; }

    // The identity the connect answer gives. May change while running; the next answer uses it.
    void SetConfig(const SimTerminalConfig& config);
    SimTerminalConfig Config() const;

    // Replaces the handler of a request command (the connect request is command 0x05).
    void RegisterHandler(uint8_t command, CommandHandler handler);

    // Runs f(SimTerminalState&) under the state lock, for tests that prepare or inspect the state.
    template <typename F>
    auto WithState(F f)
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        return f(m_state);
    }
    CSimFileStore& Files() { return m_state.files; }

    // The next `count` answers to `command` (kAnyCommand: to any command) carry `fault`.
    void InjectFault(int command, const SimFault& fault, int count = 1);
    void ClearFaults() { m_faults.Clear(); }
    size_t PendingFaults() const { return m_faults.Pending(); }

    CSimFrameLog& Log() { return m_log; }
    std::vector<SimFrameRecord> Frames() const { return m_log.Snapshot(); }
    void ClearLog() { m_log.Clear(); }
    bool WaitForFrames(SimDirection direction, int command, size_t count, DWORD timeoutMs) const
    {
        return m_log.WaitForCount(direction, command, count, timeoutMs);
    }
    bool WaitFor(const CSimFrameLog::Predicate& predicate, DWORD timeoutMs) const
    {
        return m_log.WaitFor(predicate, timeoutMs);
    }

    // Paced: how late, on average, an answer's last byte went out after the line could have carried
    // it (the simulator's own wake-ups on a busy machine), so that a benchmark can tell it apart from
    // the time the other side takes. 0 when no paced answer went out.
    double MeanAnswerLatenessMs() const;

    // Bytes dropped while looking for the start of a request.
    size_t SkippedBytes() const { return m_skipped.load(); }

private:
    static constexpr DWORD kIdleMs = 200;
    static constexpr DWORD kWriteTimeoutMs = 5000;

    void Run();
    void ReopenPort();
    void ScanBuffered();
    void Serve(const SimRequest& request);
    bool Refuse(const SimRequest& request, SimFrameRecord& received);
    bool Answer(const SimRequest& request, const SimReply& reply, SimFrameRecord& received);
    bool ApplyFault(const SimFault& fault, SimBytes& frame, SimFrameRecord& sent);
    bool SendNoise(DWORD ms);
    bool PauseUnlessStopped(DWORD ms);
    bool PauseUntil(double time);
    SimIoResult WriteAnswer(const SimBytes& frame, double readyAt);
    double ArrivalTime(size_t count) const;
    size_t ReadSize() const;
    static size_t SliceBytes(const CSimLinePacer& line);
    CommandHandler FindHandler(uint8_t command);
    void InstallBuiltInHandlers();
    static SimFrameRecord RecordOf(const SimRequest& request);

    std::thread m_thread;
    HANDLE m_stopEvent = nullptr;
    CSimSerialPort m_port;
    int m_comNumber = 0;
    CSimFrameReader m_reader;
    double m_lineRate = 0.0;
    // Paced, a request is taken in as soon as it has come, so that its answer is ready in time; the
    // answer starts on the line only once the request's last byte has crossed it.
    CSimLinePacer m_receiveLine;
    double m_lastCrossedAt = 0.0;
    CSimLinePacer m_sending;
    std::atomic<long long> m_latenessMicros{0};
    std::atomic<long long> m_pacedAnswers{0};
    std::atomic<DWORD> m_lastError{0};
    std::atomic<size_t> m_skipped{0};

    mutable std::mutex m_stateLock;
    SimTerminalState m_state;

    std::mutex m_handlersLock;
    std::map<uint8_t, CommandHandler> m_handlers;

    CSimFaultPlan m_faults;
    CSimFrameLog m_log;
};
