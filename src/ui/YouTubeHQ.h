#pragma once

#include <QDialog>

#include "youtube/QualityPreference.h"

class QPushButton;
class QTreeWidget;

namespace mw {

// The dialog that arranges the order of the qualities a download tries. The preset buttons
// change the order at once; OK takes the order of the rows.
class TFormYouTubeHQ : public QDialog {
    Q_OBJECT
public:
    TFormYouTubeHQ(QualityPreference& order, QWidget* parent);

    QTreeWidget* ListViewYouTubeHQ() const { return m_list; }

    void accept() override;

private:
    void FillList();
    // Moves the selected row by step places (-1 up, +1 down) when it has a place to go.
    void MoveSelected(int step);

    QualityPreference& m_order;
    QTreeWidget* m_list;
};

// Shows the dialog modally, centred over the main window; true when it closed with OK.
bool EditQualityOrder(QualityPreference& order, QWidget& mainWindow);

}  // namespace mw
