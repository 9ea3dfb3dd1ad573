// What a dialog or a part of the main window may use of the window: the
// session, the one list refresh, the status bar, the pieces of the shared
// dialog prologue and epilogue, and the seams for message boxes and
// pickers. Dialogs and command handlers take this, never the window.
#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>

#include "message_box.h"
#include "pickers.h"
#include "session/app_context.h"

class QWidget;

// The pickers of the window: hooks that answer for the user (tests; an
// empty one shows the real dialog), and what the pickers remember for the
// rest of the run. A file or folder hook gets the folder the dialog would
// start from and returns the choice (empty: cancelled).
struct KlmPickers {
    std::function<QString(const QString& start)> folder;
    std::function<QString(const QString& start)> openFile;
    std::function<QString(const QString& start)> saveFile;
    std::function<void(const QUrl& address)> openUrl;  // the about box's links (empty: the browser)
    KlmColourPicker colour;  // the state colours' picker (with its "デフォルト")
    KlmFontPicker font;      // the font slots' picker (with its "デフォルト")

    QString lastRomFolder;  // the ROM folder picker starts there next time
    // The emulator box's program and extraction-folder pickers start there.
    QString lastEmulatorFile, lastExtractFolder;
};

class KlmWindowServices : public KlmMessageSink {
public:

    // The run: paths, catalogue, settings and the main state.
    virtual KlmAppContext& session() = 0;
    // The owner of dialogs and message boxes.
    virtual QWidget* window() = 0;

    // The one list refresh; the selected game stays selected when listed.
    // Condition when nothing but what the list is asked to show changed
    // since the last refresh (see KlmRefreshScope); a change of records
    // other than the ones named to klmNoteGamesChanged needs Everything.
    virtual void refreshList(bool forceReload, KlmRefreshScope scope = KlmRefreshScope::Everything) = 0;
    // Ownership changed (audit, reset, special-CRC rule, rename): the
    // status bar recounts and the list is refreshed.
    virtual void ownershipChanged() = 0;
    virtual void repaintStatus() = 0;
    // Same rows, new look (a colour, a favourite mark).
    virtual void repaintList() = 0;
    // A checkable command's menu mark and toolbar button.
    virtual void setCommandChecked(int32_t id, bool on) = 0;
    virtual void focusList() = 0;
    // Before a command runs: work still under way on the records (the
    // search index copied at start-up) is finished first.
    virtual void beforeCommand() {}

    // The shared dialog prologue and epilogue; KlmDialogGuard runs them.
    virtual void suspendAutoSelect() = 0;
    virtual void resumeAutoSelect() = 0;
    virtual void pauseMovieForDialog() = 0;
    virtual void resumeMovieAfterDialog() = 0;
    // Into the middle of the screen's work area.
    virtual void centreDialog(QWidget* dialog) = 0;
    // The picture panes follow changed display or skin settings (layout and repaint).
    virtual void picturesChanged() {}

    // The window's messenger (KlmMessageSink::messages) and pickers.
    virtual KlmPickers& pickers() = 0;

    QMessageBox::StandardButton message(QWidget* owner, const QString& text, const QString& title,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok)
    {
        return messages().show(owner, text, title, icon, buttons);
    }
    Settings& settings() { return session().state.settings; }
};
