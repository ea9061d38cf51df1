#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "desktop/Label3D.h"
#include "platform/Shell.h"

namespace vestrel::desktop {

// The About box: the program's title, a few words from the author, thanks, and links to the
// author's e-mail and the web site.
class TForm3 : public QDialog {
 public:
  static constexpr const char* kAuthorEMail = "author@vestrel.example";
  static constexpr const char* kWebSite = "http://vestrel.example/";

  explicit TForm3(platform::Shell& shell, QWidget* parent = nullptr);

  TLabel3D Label3D1;
  QLabel Label1;
  QLabel Label2;
  TLabel3D Label3D2;
  TLabel3D Label3D3;
  QPushButton Button1;

  void Button1Click();
  void Label3D2Click();
  void Label3D3Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  platform::Shell& shell_;
};

}  // namespace vestrel::desktop
