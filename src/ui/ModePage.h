#pragma once

#include <QWidget>

class QLabel;
class QRadioButton;

namespace mw {

// Page Mode: download from YouTube, or convert files.
class ModePage : public QWidget {
    Q_OBJECT
public:
    explicit ModePage(QWidget* parent);

    void SetPictures(const QPixmap& download, const QPixmap& convert);

    QRadioButton* RadioButtonDownloadVideo() const { return m_download; }
    QRadioButton* RadioButtonConvertVideo() const { return m_convert; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A picture was pressed: its choice is checked and takes the focus.
    void Choose(QLabel* image);

    QRadioButton* m_download;
    QRadioButton* m_convert;
    QLabel* m_downloadImage;
    QLabel* m_convertImage;
};

}  // namespace mw
