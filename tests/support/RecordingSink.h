#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/jobs/AppMessages.h"
#include "engine/jobs/MessageSink.h"

// A tab window that records every message in arrival order, copying the texts
// that travel by pointer. Tests assert on the sequence; the CLI never uses it.
class RecordingSink : public TabWindow, public MainWindowLink {
public:
    struct Message {
        unsigned message = 0;
        WParam wParam = 0;
        LParam lParam = 0;
        bool sent = false;  // Send (true) or Post (false)
        std::string text;   // the text a pointer parameter carried

        // The parameters decoded as message M (which this message must be); a text points into text,
        // so it lives as long as this record.
        template <class M>
        M As() const {
            WParam w = wParam;
            LParam l = lParam;
            const TextSlot slot = TextSlotOf(message);
            if (slot == TextSlot::W && w != 0) w = reinterpret_cast<WParam>(text.c_str());
            if (slot == TextSlot::L && l != 0) l = reinterpret_cast<LParam>(text.c_str());
            return M::Decode(w, l);
        }
    };

    LParam Send(unsigned message, WParam wParam, LParam lParam) override;
    void Post(unsigned message, WParam wParam, LParam lParam) override;

    TabWindow* ActiveTab() override { return this; }
    void PumpMessages() override;

    bool IsPositionSliderHeld() const override { return m_sliderHeld; }
    void SetPlaybackEnded(bool ended) override;
    void CaptureFfplayWindow() override;

    std::vector<Message> Messages() const;
    std::vector<Message> Messages(unsigned message) const;

    size_t Count(unsigned message) const;
    void Clear();
    // Waits until pred(messages) holds or the timeout passes; returns whether it held.
    bool WaitFor(const std::function<bool(const std::vector<Message>&)>& pred,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

    // Called on every recorded message, on the sender's thread (e.g. to answer a query).
    std::function<void(const Message&)> m_onMessage;
    // Called on every pump, on the pumping thread.
    std::function<void()> m_onPump;
    bool m_sliderHeld = false;
    bool m_playbackEnded = false;
    int m_captureCount = 0;
    int m_pumpCount = 0;

private:
    void Record(Message m);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Message> m_messages;
};

// Text of a message for printing test failures, e.g. "JOB_STATE(state 3, \"ExitCode(1)\") sent".
std::string DescribeMessage(const RecordingSink::Message& m);
