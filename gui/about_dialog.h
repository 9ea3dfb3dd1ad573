// The about box (103, "バージョン情報 Kolmar"): the program icon, the name and
// version, one line about the program and the two links of the project,
// each drawn blue and underlined with a hand cursor and opened in the
// desktop's browser while the box stays open.
//
// The caller runs the dialog prologue and epilogue (KlmDialogGuard) around
// exec(): the movie pauses and auto-selection stops while it is open.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPixmap>
#include <QUrl>

#include <functional>

inline constexpr const char* kKlmVersionText = "Kolmar v0.081";
inline constexpr const char* kKlmHomeUrl = "https://github.com/kolmar-project/kolmar";
inline constexpr const char* kKlmIssuesUrl = "https://github.com/kolmar-project/kolmar/issues";

// Opens a web address; an empty opener is the desktop's browser (the
// window's pickers carry a test's opener in its place).
using KlmUrlOpener = std::function<void(const QUrl&)>;
void klmOpenUrl(const QUrl& url, const KlmUrlOpener& opener = {});

// The program icon (resource 107), drawn at size × size.
QPixmap klmProgramIcon(int size = 32);

// A static text showing its address underlined in blue (RGB 0, 0, 255) with
// the hand cursor; a left click opens the address.
class KlmLinkLabel : public QLabel {
    Q_OBJECT
public:
    KlmLinkLabel(const QString& address, KlmUrlOpener opener, QWidget* parent);
    QString address() const { return text(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    KlmUrlOpener opener_;
};

class KlmAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit KlmAboutDialog(QWidget* parent, const KlmUrlOpener& opener = {});

    KlmLinkLabel* webLink() const { return web_; }  // 42200
    KlmLinkLabel* bbsLink() const { return bbs_; }  // 42201

private:
    KlmLinkLabel* web_ = nullptr;
    KlmLinkLabel* bbs_ = nullptr;
};
