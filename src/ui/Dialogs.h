#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDialog;
class QFileDialog;
class QWidget;

namespace mw {

// A message box as the program asks for it.
struct MessageRequest {
    QMessageBox::Icon Icon = QMessageBox::Information;
    QString Caption;
    QString Text;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QStringList ButtonCaptions;  // for the first buttons; empty keeps the standard caption
};

struct FileRequest {
    QString Caption;
    QString Folder;
    QString Filter;  // "Name|*.a;*.b|Other|*.*"
    QString DefaultSuffix;
};

// Every dialog of the program goes through here, so that tests can answer in the user's
// place. Without a responder the real dialogs are shown.
class DialogResponder {
public:
    virtual ~DialogResponder() = default;
    virtual QMessageBox::StandardButton Message(const MessageRequest& request) = 0;
    // A modal window of the program (the failed-files report, the shutdown countdown).
    virtual int Modal(QDialog& dialog) = 0;
    virtual std::vector<std::string> OpenFiles(const FileRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileRequest& request) = 0;
    virtual std::optional<std::string> Folder(const QString& title, const std::string& start) = 0;
};

// Installs a responder for the life of the object.
class ScopedDialogResponder {
public:
    explicit ScopedDialogResponder(DialogResponder& responder);
    ~ScopedDialogResponder();
    ScopedDialogResponder(const ScopedDialogResponder&) = delete;
    ScopedDialogResponder& operator=(const ScopedDialogResponder&) = delete;

private:
    DialogResponder* m_previous;
};

QMessageBox::StandardButton ShowMessage(QWidget* parent, const MessageRequest& request);

// A question with Yes and No under the application title; true on Yes.
bool AskQuestion(QWidget* parent, const QString& text);
// A notice with OK and Cancel and the information icon under the application title; true
// on OK.
bool AskOkCancel(QWidget* parent, const QString& text);
// A notice with OK under the application title.
void ShowNotice(QWidget* parent, const QString& text);
// An error text under the application title.
void ShowErrorText(QWidget* parent, const QString& text);

enum class DialogKind { Warning, Error, Information, Confirmation };

// A standard dialog of the kind with its own caption and button captions, after the sound
// of its kind.
QMessageBox::StandardButton ShowCustomDialog(QWidget* parent, const QString& message,
                                             const QString& caption, DialogKind kind,
                                             QMessageBox::StandardButtons buttons,
                                             const QStringList& captions = {});

int ExecModal(QDialog& dialog);
// The open dialog for several existing files, as ChooseOpenFiles shows it.
std::unique_ptr<QFileDialog> NewOpenFilesDialog(QWidget* parent, const FileRequest& request);
std::vector<std::string> ChooseOpenFiles(QWidget* parent, const FileRequest& request);
std::optional<std::string> ChooseSaveFile(QWidget* parent, const FileRequest& request);

// The folder picker: true and the chosen folder (without trailing separator) on OK.
bool BrowseForFolder(QWidget* parent, std::string& path, const QString& title);

// "Name|*.A;*.B|..." as the file dialogs of the toolkit want it: "Name (*.A *.B);;...".
// A caption's own list in brackets gives way to the patterns.
QString DialogFilter(const QString& filter);

}  // namespace mw
