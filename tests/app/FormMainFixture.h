#pragma once

#include "app/ui/TFormMain.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "output/FrameFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSettings>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// The main window of a headless test, with its scripted questions, in a
// fresh temporary folder that holds the program.

// Scripted answers, and a real pass over Qt's events so that timers, paints
// and clicks happen as in the program.
class GuiServices : public ScriptedServices {
public:
    void processMessages() override
    {
        ScriptedServices::processMessages();
        QCoreApplication::processEvents();
    }
    void waitForMessages() override
    {
        processMessages();
        QThread::msleep(1);
    }
};

class FormMainTest : public ::testing::Test {
protected:
    FormMainTest()
        : savedCwd(std::filesystem::current_path())
        , settings(QString::fromStdString((dir / "settings.ini").string()), QSettings::IniFormat)
        , form(services, jpegOptions, aviOptions, QString::fromStdString((dir / "travelia").string()), settings)
    {
        form.show();
        QCoreApplication::processEvents();
    }
    ~FormMainTest() override { std::filesystem::current_path(savedCwd); }

    std::string writePanorama(int width, int height, const std::string &name = "pano.bmp")
    {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(WriteBmpFile(makeTestPanorama(width, height), path));
        return path;
    }

    void open(const std::string &path)
    {
        services.answerOpenPicture(path);
        form.Menu_FileOpenClick();
    }

    // The window's controls, found by name.
    template <typename T = QAction> T *found(const char *name)
    {
        T *child = form.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QMenu *popup() { return found<QMenu>("PopupMenu"); }

    // The names in a folder, sorted; none when it does not exist.
    static std::vector<std::string> namesIn(const std::filesystem::path &folder)
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto &entry : std::filesystem::directory_iterator(folder, ec))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::filesystem::path savedCwd;
    GuiServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QSettings settings; // the program's remembered settings: a file of this test's folder
    TFormMain form;
};
