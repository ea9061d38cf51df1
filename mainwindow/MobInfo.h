#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "p2kapi/P2KApi.h"

namespace vestrel::mainwindow {

// The phone information dialog: the model, firmware and flex version of the P2K phone, read
// through the phone-information library each time the dialog is shown. When the library has
// no phone ready the lines of the previous showing stay.
class TForm2 : public QDialog {
 public:
  // The library outlives the dialog.
  explicit TForm2(p2kapi::P2KApi& library, QWidget* parent = nullptr);

  QLabel Label1;
  QLabel Label2;
  QLabel Label3;
  QPushButton Button1;

  void FormShow();
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FitValues();

  p2kapi::P2KApi& library_;
};

}  // namespace vestrel::mainwindow
