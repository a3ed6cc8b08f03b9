#include "AddFailed.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "HelpLinkFuncs.h"

namespace mw {

TFormFailedAddFile::TFormFailedAddFile(const std::vector<std::string>& failed,
                                       const std::string& edition, QWidget* parent)
    : QDialog(parent) {
    setObjectName("FormFailedAddFile");
    setWindowTitle("Failed to Add Files");
    resize(440, 300);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* text = new QLabel(
        "Failed to add the following files. The converter might not support the file type or "
        "might not support the codec that was used to compress the file. Click \"More "
        "Information\" to view a list of supported file types and releavant codecs.",
        this);
    text->setWordWrap(true);

    m_files = new QListWidget(this);
    m_files->setObjectName("ListViewFiles");
    m_files->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_files->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_files->setMinimumWidth(380);
    for (const std::string& name : failed) {
        m_files->addItem(QString::fromStdString(name));
    }

    m_close = new QPushButton("Close", this);
    m_close->setDefault(true);
    m_more = new QPushButton("More Information...", this);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_more, &QPushButton::clicked, this,
            [edition] { OpenEditionPage(edition, EditionPageKind::Support); });

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_more);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel("File", this));
    layout->addWidget(m_files, 1);
    layout->addLayout(buttons);
}

}  // namespace mw
