#include "app/forms.h"

#include "app/about_box.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "dialogs/f_data_godzina.h"
#include "dialogs/f_okresowe_miesieczne.h"
#include "dialogs/f_okresowe_wg_numerow.h"
#include "dialogs/f_przestawianie.h"
#include "dialogs/f_raporty_okresowe_wg_dat.h"
#include "dialogs/f_reklama.h"
#include "dialogs/f_reklama_odczyt.h"
#include "dialogs/f_teksty_reklamowe.h"
#include "dialogs/f_ustaw_zegar.h"

namespace sigra::app {

TGlowneOkno* GlowneOkno = nullptr;
TKomunikacja* Komunikacja = nullptr;
TfOkresoweWgNumerow* fOkresoweWgNumerow = nullptr;
TfDataGodzina* fDataGodzina = nullptr;
TfRaportyOkresoweWgDat* fRaportyOkresoweWgDat = nullptr;
TfOkresoweMiesieczne* fOkresoweMiesieczne = nullptr;
TfUstawZegar* fUstawZegar = nullptr;
TAboutBox* AboutBox = nullptr;
TfPrzestawianie* fPrzestawianie = nullptr;
TfReklama* fReklama = nullptr;
TfTekstyReklamowe* fTekstyReklamowe = nullptr;
TfReklamaOdczyt* fReklamaOdczyt = nullptr;

void CreateForms() {
  GlowneOkno = new TGlowneOkno;
  Komunikacja = new TKomunikacja;
  fOkresoweWgNumerow = new TfOkresoweWgNumerow(GlowneOkno);
  fDataGodzina = new TfDataGodzina(GlowneOkno);
  fRaportyOkresoweWgDat = new TfRaportyOkresoweWgDat(GlowneOkno);
  fOkresoweMiesieczne = new TfOkresoweMiesieczne(GlowneOkno);
  fUstawZegar = new TfUstawZegar(GlowneOkno);
  AboutBox = new TAboutBox(GlowneOkno);
  fPrzestawianie = new TfPrzestawianie(GlowneOkno);
  fReklama = new TfReklama(GlowneOkno);
  fTekstyReklamowe = new TfTekstyReklamowe(GlowneOkno);
  fReklamaOdczyt = new TfReklamaOdczyt(GlowneOkno);
  // The clock dialogs show the printer's clock after they changed it.
  QObject::connect(fUstawZegar, &TfUstawZegar::ClockInitialised, GlowneOkno,
                   &TGlowneOkno::Odczytzegara1Click);
  QObject::connect(fPrzestawianie, &TfPrzestawianie::ClockShifted, GlowneOkno,
                   &TGlowneOkno::Odczytzegara1Click);
}

void DestroyForms() {
  delete fReklamaOdczyt;
  fReklamaOdczyt = nullptr;
  delete fTekstyReklamowe;
  fTekstyReklamowe = nullptr;
  delete fReklama;
  fReklama = nullptr;
  delete fPrzestawianie;
  fPrzestawianie = nullptr;
  delete AboutBox;
  AboutBox = nullptr;
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
