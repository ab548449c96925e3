#pragma once

#include <QDialog>
#include <QPageLayout>

#include "Dialogs.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace windows {

// "Настройка принтера": the grid printer's margins (numbers in the current unit, each checked
// when its edit loses focus), its layout options and the print font, with the page setup of
// the program's printer a button away. OK gives back every setting, Cancel none and takes
// back a paper or orientation chosen in the page setup.
class PrintSetupDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrintSetupDialog(const base::PrintSetupRequest& request, QWidget* parent = nullptr);

    base::PrintSetupRequest result() const;

    QLineEdit* EditTop;
    QLineEdit* EditBottom;
    QLineEdit* EditLeft;
    QLineEdit* EditRight;
    QCheckBox* CheckFitToPage;
    QRadioButton* RadioScale;
    QRadioButton* RadioColumnWidths;
    QCheckBox* CheckOptimalWidths;
    QCheckBox* CheckWrap;
    QCheckBox* CheckColor;
    QLineEdit* EditFontName;
    QPushButton* ButtonFont;
    QPushButton* ButtonPrinterSetup;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // Whether a margin text is a number (decimal comma or point).
    static bool isNumber(const QString& text);

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool checkNumber(QLineEdit* edit);

    QPageLayout pageLayoutBefore_;
};

}  // namespace windows
