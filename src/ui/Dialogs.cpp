#include "Dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QRegularExpression>
#include <memory>

#include "ApplicationTitle.h"

namespace mw {

namespace {

DialogResponder* g_responder = nullptr;

}  // namespace

ScopedDialogResponder::ScopedDialogResponder(DialogResponder& responder) : m_previous(g_responder) {
    g_responder = &responder;
}

ScopedDialogResponder::~ScopedDialogResponder() {
    g_responder = m_previous;
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, const MessageRequest& request) {
    if (g_responder) {
        return g_responder->Message(request);
    }
    QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, parent);
    // The first buttons in their order on the dialog take the given captions.
    const QList<QAbstractButton*> buttons = box.buttons();
    for (qsizetype i = 0; i < request.ButtonCaptions.size() && i < buttons.size(); ++i) {
        if (!request.ButtonCaptions[i].isEmpty()) {
            buttons[i]->setText(request.ButtonCaptions[i]);
        }
    }
    box.exec();
    return box.standardButton(box.clickedButton());
}

bool AskQuestion(QWidget* parent, const QString& text) {
    MessageRequest request;
    request.Icon = QMessageBox::Question;
    request.Caption = ApplicationTitle();
    request.Text = text;
    request.Buttons = QMessageBox::Yes | QMessageBox::No;
    return ShowMessage(parent, request) == QMessageBox::Yes;
}

bool AskOkCancel(QWidget* parent, const QString& text) {
    MessageRequest request;
    request.Caption = ApplicationTitle();
    request.Text = text;
    request.Buttons = QMessageBox::Ok | QMessageBox::Cancel;
    return ShowMessage(parent, request) == QMessageBox::Ok;
}

void ShowNotice(QWidget* parent, const QString& text) {
    MessageRequest request;
    request.Caption = ApplicationTitle();
    request.Text = text;
    ShowMessage(parent, request);
}

void ShowErrorText(QWidget* parent, const QString& text) {
    MessageRequest request;
    request.Icon = QMessageBox::Critical;
    request.Caption = ApplicationTitle();
    request.Text = text;
    ShowMessage(parent, request);
}

QMessageBox::StandardButton ShowCustomDialog(QWidget* parent, const QString& message,
                                             const QString& caption, DialogKind kind,
                                             QMessageBox::StandardButtons buttons,
                                             const QStringList& captions) {
    MessageRequest request;
    switch (kind) {
        case DialogKind::Warning:
            request.Icon = QMessageBox::Warning;
            break;
        case DialogKind::Error:
            request.Icon = QMessageBox::Critical;
            break;
        case DialogKind::Information:
            request.Icon = QMessageBox::Information;
            break;
        case DialogKind::Confirmation:
            request.Icon = QMessageBox::Question;
            break;
    }
    request.Caption = caption;
    request.Text = message;
    request.Buttons = buttons;
    request.ButtonCaptions = captions;
    // The desktop has one alert sound for every kind.
    if (!g_responder) {
        QApplication::beep();
    }
    return ShowMessage(parent, request);
}

int ExecModal(QDialog& dialog) {
    if (g_responder) {
        return g_responder->Modal(dialog);
    }
    return dialog.exec();
}

QString DialogFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        QString name = parts[i];
        name.remove(QRegularExpression(R"(\s*\([^)]*\)$)"));
        entries << name + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;");
}

std::unique_ptr<QFileDialog> NewOpenFilesDialog(QWidget* parent, const FileRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(parent, request.Caption, request.Folder,
                                                DialogFilter(request.Filter));
    // The toolkit's own dialog matches the patterns regardless of case (*.AVI finds
    // clip.avi); the desktop's dialogs do not promise that.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFilter(dialog->filter() & ~QDir::CaseSensitive);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    return dialog;
}

std::vector<std::string> ChooseOpenFiles(QWidget* parent, const FileRequest& request) {
    if (g_responder) {
        return g_responder->OpenFiles(request);
    }
    const std::unique_ptr<QFileDialog> dialog = NewOpenFilesDialog(parent, request);
    std::vector<std::string> names;
    if (dialog->exec() == QDialog::Accepted) {
        for (const QString& name : dialog->selectedFiles()) {
            names.push_back(name.toStdString());
        }
    }
    return names;
}

std::optional<std::string> ChooseSaveFile(QWidget* parent, const FileRequest& request) {
    if (g_responder) {
        return g_responder->SaveFile(request);
    }
    QFileDialog dialog(parent, request.Caption, request.Folder, DialogFilter(request.Filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.DefaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

bool BrowseForFolder(QWidget* parent, std::string& path, const QString& title) {
    std::optional<std::string> chosen;
    if (g_responder) {
        chosen = g_responder->Folder(title, path);
    } else {
        const QString folder = QFileDialog::getExistingDirectory(
            parent, title, QString::fromStdString(path), QFileDialog::ShowDirsOnly);
        if (!folder.isEmpty()) {
            chosen = folder.toStdString();
        }
    }
    if (!chosen) {
        return false;
    }
    while (chosen->size() > 1 && chosen->back() == '/') {
        chosen->pop_back();
    }
    path = *chosen;
    return true;
}

}  // namespace mw
