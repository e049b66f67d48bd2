#pragma once

// Shared pieces of the packaging and programming tests: a scratch folder, a private temporary
// folder (so a test sees every temporary file the procedures leave), a full-disk stand-in, the ECU
// simulator on a virtual clock with the link and the model on top, and a progress window that
// records what it was told.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "BootProtocol.h"
#include "Clock.h"
#include "ComInj.h"
#include "ConfigurationModel.h"
#include "EcuProgrammer.h"
#include "EcuSimulator.h"
#include "Prompter.h"
#include "SimulatedLine.h"
#include "TestFiles.h"

namespace zov::testing {

// Points TMPDIR at a folder of its own while it lives.
class PrivateTemp {
  public:
    PrivateTemp() {
        if (const char* old = std::getenv("TMPDIR")) saved_ = old, hadOld_ = true;
        setenv("TMPDIR", dir_.Path().c_str(), 1);
    }
    ~PrivateTemp() {
        if (hadOld_)
            setenv("TMPDIR", saved_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::vector<std::string> Entries() const { return dir_.Entries(); }
    // The programming's temporary copies ("_ic..."), wherever they are under the folder. The
    // private folder also holds the work lock's file, which stays, as flock files do.
    long IcFiles() const {
        long n = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir_.Path()))
            n += e.path().filename().string().starts_with("_ic") ? 1 : 0;
        return n;
    }

  private:
    ScratchDir dir_;
    std::string saved_;
    bool hadOld_ = false;
};

// A progress window that keeps what it was told, and the main window's connect action.
class RecordingHost : public ProgrammingHost {
  public:
    RecordingHost(ComInj& link, ConfigurationModel& model) : link_(link), model_(model) {}

    void Open() override { ++opened; }
    void Close() override { ++closed; }
    void SetLabel(const std::string& text) override { labels.push_back(text); }
    void SetCaption(const std::string& text) override { captions.push_back(text); }
    void SetCompletion(const std::string& text) override { completion = text; }
    void SetProgress(int value, bool absolute) override {
        position = absolute ? value : position + value;
        positions.push_back(position);
    }
    void SetBusy(bool busy) override { busyNow = busy; }
    void Repaint() override {
        ++repaints;
        if (onRepaint) onRepaint();
    }
    void ConnectInteractiveOff() override {
        ++connectActions;
        if (link_.Connect()) model_.ReadFromEcu();
    }

    std::function<void()> onRepaint;
    int opened = 0, closed = 0, connectActions = 0, repaints = 0;
    bool busyNow = false;
    int position = 0;
    std::vector<int> positions;
    std::vector<std::string> labels, captions;
    std::string completion;

  private:
    ComInj& link_;
    ConfigurationModel& model_;
};

// Scripted answers, with a look at the other windows as each box opens.
class WatchedPrompter : public ScriptedPrompter {
  public:
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptIcon icon,
                     PromptButtons buttons) override {
        if (onAsk) onAsk();
        return ScriptedPrompter::Ask(text, caption, icon, buttons);
    }
    std::function<void()> onAsk;
};

// The ECU simulator on a virtual clock, the link on a simulated line, the three model objects.
struct EcuBench {
    explicit EcuBench(sim::EcuConfig config = {}) : ecu(std::move(config)), line(ecu, clock) {
        link.SetLinkMessages();
    }

    // Opens a session and loads the model, as the main window's connect action does.
    bool ConnectAndLoad() {
        if (!link.Connect()) return false;
        model.ReadFromEcu();
        return link.IsConnected() != 0;
    }

    // Requests the boot loader received.
    std::vector<std::vector<uint8_t>> BootRequests() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& f : ecu.Requests())
            if (f.bootLoader && f.complete) out.push_back(f.request);
        return out;
    }
    // Boot requests starting with `opcode`.
    size_t CountBoot(uint8_t opcode) const {
        size_t n = 0;
        for (const auto& r : BootRequests()) n += r[0] == opcode;
        return n;
    }
    std::vector<std::string> ShownTexts() const {
        std::vector<std::string> out;
        for (const auto& s : prompter.shown) out.push_back(s.text);
        return out;
    }

    VirtualClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    WatchedPrompter prompter;
    ComInj link{0, 5, line, clock, prompter};
    ConfCar car{link, ConfigurationModel::kCarFile, prompter};
    ConfMap map{link, car, ConfigurationModel::kMapFile};
    ConfParam param{link, car, ConfigurationModel::kParamFile, prompter};
    ConfigurationModel model{link, map, car, param};
};

// An ECU running a program of data version `version`.
inline sim::EcuConfig Running(int version) {
    sim::EcuConfig c;
    c.version = version;
    return c;
}

// The link, the model and the programming of one ECU.
struct Programming : EcuBench {
    explicit Programming(sim::EcuConfig config, std::string mapPath = {}, TextLookup lookup = {})
        : EcuBench(std::move(config)),
          host(link, model),
          programmer(link, model, host, prompter, clock, std::move(mapPath), UpdateTexts(std::move(lookup))) {
    }

    // S-records the boot loader received, as bytes.
    std::vector<std::vector<uint8_t>> Records() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : BootRequests())
            if (r[0] == 'S' && r.size() > 2) out.push_back(r);
        return out;
    }
    size_t Attempts() const { return CountBoot(boot::kOpQuery); }

    RecordingHost host;
    EcuProgrammer programmer;
};

}  // namespace zov::testing
