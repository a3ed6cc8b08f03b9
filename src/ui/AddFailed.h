#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace mw {

// The report of the files that could not be added, one entry per message.
class TFormFailedAddFile : public QDialog {
    Q_OBJECT
public:
    // More Information... opens the support page of the edition.
    TFormFailedAddFile(const std::vector<std::string>& failed, const std::string& edition,
                       QWidget* parent);

    QListWidget* ListViewFiles() const { return m_files; }
    QPushButton* ButtonClose() const { return m_close; }
    QPushButton* ButtonMoreInformation() const { return m_more; }

private:
    QListWidget* m_files;
    QPushButton* m_close;
    QPushButton* m_more;
};

}  // namespace mw
