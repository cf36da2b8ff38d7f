// The status overlay, recorded: every command it receives as one line of text
// ("SetIPInfo Target|True|...", "Fade Target|in|100", "TurnLocal", ...).
#pragma once

#include "ui/StatusOverlay.h"

#include <string>
#include <vector>

namespace maskaddr::test {

class TRecordingOverlay final : public IStatusOverlay {
public:
    std::vector<std::string> Calls;
    void SetIPInfo(const std::string& p, const std::string& d, const std::string& f, const std::string& ip,
                   const std::string& c, const std::string& city, const std::string& a,
                   const std::string& s) override {
        Calls.push_back("SetIPInfo " + p + "|" + d + "|" + f + "|" + ip + "|" + c + "|" + city + "|" + a +
                        "|" + s);
    }
    void SetIPInfoA(const std::string& p, const std::string& a, const std::string& s) override {
        Calls.push_back("SetIPInfoA " + p + "|" + a + "|" + s);
    }
    void Fade(const std::string& o, bool in, int max) override {
        Calls.push_back("Fade " + o + "|" + (in ? "in" : "out") + "|" + std::to_string(max));
    }
    void TurnLocal() override { Calls.push_back("TurnLocal"); }
    void TurnTarget() override { Calls.push_back("TurnTarget"); }
    void SetTextInfo(const std::string& t, int c) override {
        Calls.push_back("Text " + t + "|" + std::to_string(c));
    }
    void SetTextInfo2(const std::string& t, int c) override {
        Calls.push_back("Text2 " + t + "|" + std::to_string(c));
    }
    void SetBackground(const std::string&) override {}
    void SetLogo(const std::string&) override {}
    void ResetDisplay() override {}
};

} // namespace maskaddr::test
