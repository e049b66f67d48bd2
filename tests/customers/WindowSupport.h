#pragma once

// The customer archive window on the program's objects, the ECU simulator, the shipped
// dictionary and an archive in a runtime directory of the test's own.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "ArchiveSupport.h"
#include "MainWindowSupport.h"
#include "TFormClienti.h"
#include "TFormRicerca.h"

namespace zov::test {

struct CustomerBench {
    CustomerBench() : line(ecu, clock), prompter(clock) {
        WriteSettings(settings.path(), {});
        context = std::make_unique<AppContext>(clock, prompter, line, settings.path(),
                                               QFile::encodeName(DistDir()).toStdString());
        dictionary = std::make_unique<TModuloLingua>(DistDir());
        dictionary->SelectLanguage(0);
    }

    // A window on this bench's archive; dates shown day first.
    std::unique_ptr<TFormClienti> Window(bool installation = false) {
        auto window = std::make_unique<TFormClienti>(*context, *dictionary);
        window->SetLocation(space.Bench());
        window->SetInstallationMode(installation);
        window->dateOrderFormat = QStringLiteral("d/M/yyyy");
        return window;
    }

    // Puts records straight into the archive, as an earlier session would have.
    void Store(const std::vector<CustomerRecord>& records) {
        CustomerArchive archive(space.Bench());
        ASSERT_EQ(archive.Open(true).status, CustomerArchive::OpenStatus::Opened);
        for (const CustomerRecord& r : records) ASSERT_TRUE(archive.Post(r, true).posted);
        ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    }
    // What the archive holds, read after the window let it go.
    std::vector<CustomerRecord> Stored() {
        CustomerArchive archive(space.Bench());
        EXPECT_EQ(archive.Open(false).status, CustomerArchive::OpenStatus::Opened);
        std::vector<CustomerRecord> out;
        for (int i = 0; i < archive.Count(); ++i) out.push_back(archive.At(i));
        return out;
    }

    std::string Dict(const char* identifier, int length) {
        return dictionary->LookupCp1252(identifier, length).value_or("<missing>");
    }
    // The texts of the boxes shown so far.
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& s : prompter.shown) out.push_back(s.text);
        return out;
    }

    ProbeClock clock;
    sim::EcuSimulator ecu;
    sim::SimulatedLine line;
    TimedPrompter prompter;
    QTemporaryDir settings;
    ArchiveSpace space{Backend::Sqlite};
    std::unique_ptr<AppContext> context;
    std::unique_ptr<TModuloLingua> dictionary;
};

// Types into an edit as a user does (the window sees the change).
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace zov::test
