#pragma once
// A main window of its own for each test, in a base folder of its own, with the
// application running headless.

#include "link/main_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace devsim
{
class TSimulator;
}

namespace maintest
{

void PumpFor(int Milliseconds);
// Handles messages until Done holds or Milliseconds pass; whether it held.
bool PumpUntil(const std::function<bool()> &Done, int Milliseconds);

// Writes a sample archive of Count records into the device, its pointer after the newest.
void ServeSampleArchive(devsim::TSimulator &Sim, unsigned Count);
// Presses the archive tab's read button and handles messages until the read ends;
// whether it ended within Milliseconds.
bool ReadArchive(TMainForm &Form, int Milliseconds);

class MainFormTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The window, built on the configuration and files the test has put in place.
    TMainForm *Build();
    // The process's current folder becomes the base folder the window is built in.
    static void TakeCurrentFolderAsBase();

    std::string ConfigBytes() const { return FileText("qrv4.cfg"); }
    void WriteConfigText(const std::string &Text) const { WriteFile("qrv4.cfg", Text); }
    std::string FileText(const std::string &Name) const;
    void WriteFile(const std::string &Name, const std::string &Text) const;

    std::filesystem::path Folder;
    std::unique_ptr<TMainForm> Form;

private:
    std::filesystem::path FPrevious;
};

} // namespace maintest
