#include "app/forms.h"

#include "app/about_box.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"

namespace sigra::app {

TGlowneOkno* GlowneOkno = nullptr;
TKomunikacja* Komunikacja = nullptr;
TAboutBox* AboutBox = nullptr;

void CreateForms() {
  GlowneOkno = new TGlowneOkno;
  Komunikacja = new TKomunikacja;
  AboutBox = new TAboutBox(GlowneOkno);
}

void DestroyForms() {
  delete AboutBox;
  AboutBox = nullptr;
  delete Komunikacja;
  Komunikacja = nullptr;
  delete GlowneOkno;
  GlowneOkno = nullptr;
}

}  // namespace sigra::app
