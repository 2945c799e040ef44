#include "app/forms.h"

#include "app/about_box.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "dialogs/f_data_godzina.h"
#include "dialogs/f_odczyt_stawek.h"
#include "dialogs/f_okresowe_miesieczne.h"
#include "dialogs/f_okresowe_wg_numerow.h"
#include "dialogs/f_przestawianie.h"
#include "dialogs/f_raporty_okresowe_wg_dat.h"
#include "dialogs/f_stawki_podatkowe.h"
#include "dialogs/f_ustaw_zegar.h"
#include "dialogs/f_ustawienia.h"

namespace sigra::app {

TGlowneOkno* GlowneOkno = nullptr;
TKomunikacja* Komunikacja = nullptr;
TfOkresoweWgNumerow* fOkresoweWgNumerow = nullptr;
TfDataGodzina* fDataGodzina = nullptr;
TfRaportyOkresoweWgDat* fRaportyOkresoweWgDat = nullptr;
TfOkresoweMiesieczne* fOkresoweMiesieczne = nullptr;
TfUstawZegar* fUstawZegar = nullptr;
TfStawkiPodatkowe* fStawkiPodatkowe = nullptr;
TfOdczytStawek* fOdczytStawek = nullptr;
TAboutBox* AboutBox = nullptr;
TfPrzestawianie* fPrzestawianie = nullptr;
TfUstawienia* fUstawienia = nullptr;

void CreateForms() {
  GlowneOkno = new TGlowneOkno;
  Komunikacja = new TKomunikacja;
  fOkresoweWgNumerow = new TfOkresoweWgNumerow(GlowneOkno);
  fDataGodzina = new TfDataGodzina(GlowneOkno);
  fRaportyOkresoweWgDat = new TfRaportyOkresoweWgDat(GlowneOkno);
  fOkresoweMiesieczne = new TfOkresoweMiesieczne(GlowneOkno);
  fUstawZegar = new TfUstawZegar(GlowneOkno);
  fStawkiPodatkowe = new TfStawkiPodatkowe(GlowneOkno);
  fOdczytStawek = new TfOdczytStawek(GlowneOkno);
  AboutBox = new TAboutBox(GlowneOkno);
  fPrzestawianie = new TfPrzestawianie(GlowneOkno);
  fUstawienia = new TfUstawienia(GlowneOkno);
  // The clock dialogs show the printer's clock after they changed it.
  QObject::connect(fUstawZegar, &TfUstawZegar::ClockInitialised, GlowneOkno,
                   &TGlowneOkno::Odczytzegara1Click);
  QObject::connect(fPrzestawianie, &TfPrzestawianie::ClockShifted, GlowneOkno,
                   &TGlowneOkno::Odczytzegara1Click);
  // The rates editor has the rates it wrote read back and shown.
  QObject::connect(fStawkiPodatkowe, &TfStawkiPodatkowe::RatesWritten, GlowneOkno,
                   &TGlowneOkno::Odczyt1Click);
}

void DestroyForms() {
  delete fUstawienia;
  fUstawienia = nullptr;
  delete fPrzestawianie;
  fPrzestawianie = nullptr;
  delete AboutBox;
  AboutBox = nullptr;
  delete fOdczytStawek;
  fOdczytStawek = nullptr;
  delete fStawkiPodatkowe;
  fStawkiPodatkowe = nullptr;
  delete fUstawZegar;
  fUstawZegar = nullptr;
  delete fOkresoweMiesieczne;
  fOkresoweMiesieczne = nullptr;
  delete fRaportyOkresoweWgDat;
  fRaportyOkresoweWgDat = nullptr;
  delete fDataGodzina;
  fDataGodzina = nullptr;
  delete fOkresoweWgNumerow;
  fOkresoweWgNumerow = nullptr;
  delete Komunikacja;
  Komunikacja = nullptr;
  delete GlowneOkno;
  GlowneOkno = nullptr;
}

}  // namespace sigra::app
