#include "app/forms.h"

#include "app/about_box.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "dialogs/f_odczyt_stawek.h"
#include "dialogs/f_stawki_podatkowe.h"
#include "dialogs/f_ustawienia.h"

namespace sigra::app {

TGlowneOkno* GlowneOkno = nullptr;
TKomunikacja* Komunikacja = nullptr;
TfStawkiPodatkowe* fStawkiPodatkowe = nullptr;
TfOdczytStawek* fOdczytStawek = nullptr;
TAboutBox* AboutBox = nullptr;
TfUstawienia* fUstawienia = nullptr;

void CreateForms() {
  GlowneOkno = new TGlowneOkno;
  Komunikacja = new TKomunikacja;
  fStawkiPodatkowe = new TfStawkiPodatkowe(GlowneOkno);
  fOdczytStawek = new TfOdczytStawek(GlowneOkno);
  AboutBox = new TAboutBox(GlowneOkno);
  fUstawienia = new TfUstawienia(GlowneOkno);
}

void DestroyForms() {
  delete fUstawienia;
  fUstawienia = nullptr;
  delete AboutBox;
  AboutBox = nullptr;
  delete fOdczytStawek;
  fOdczytStawek = nullptr;
  delete fStawkiPodatkowe;
  fStawkiPodatkowe = nullptr;
  delete Komunikacja;
  Komunikacja = nullptr;
  delete GlowneOkno;
  GlowneOkno = nullptr;
}

}  // namespace sigra::app
