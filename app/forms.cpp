#include "app/forms.h"

#include "app/about_box.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "app/dialogs/f_bajty_statusu.h"
#include "app/dialogs/f_dane_uzytkownika.h"
#include "app/dialogs/f_data_euro_przeglad.h"
#include "app/dialogs/f_data_godzina.h"
#include "app/dialogs/f_data_i_numer.h"
#include "app/dialogs/f_ilosc_wierszy.h"
#include "app/dialogs/f_numer_kasy.h"
#include "app/dialogs/f_numer_unikatowy.h"
#include "app/dialogs/f_odczyt_stawek.h"
#include "app/dialogs/f_okresowe_miesieczne.h"
#include "app/dialogs/f_okresowe_wg_numerow.h"
#include "app/dialogs/f_przestawianie.h"
#include "app/dialogs/f_raporty_okresowe_wg_dat.h"
#include "app/dialogs/f_reklama.h"
#include "app/dialogs/f_reklama_odczyt.h"
#include "app/dialogs/f_sposob_zaokraglania.h"
#include "app/dialogs/f_stawki_podatkowe.h"
#include "app/dialogs/f_teksty_reklamowe.h"
#include "app/dialogs/f_test_wyswietlacza.h"
#include "app/dialogs/f_ustaw_zegar.h"
#include "app/dialogs/f_ustawienia.h"

namespace sigra::app {

TGlowneOkno* GlowneOkno = nullptr;
TKomunikacja* Komunikacja = nullptr;
TfOkresoweWgNumerow* fOkresoweWgNumerow = nullptr;
TfDataGodzina* fDataGodzina = nullptr;
TfBajtyStatusu* fBajtyStatusu = nullptr;
TfRaportyOkresoweWgDat* fRaportyOkresoweWgDat = nullptr;
TfOkresoweMiesieczne* fOkresoweMiesieczne = nullptr;
TfUstawZegar* fUstawZegar = nullptr;
TfDaneUzytkownika* fDaneUzytkownika = nullptr;
TfStawkiPodatkowe* fStawkiPodatkowe = nullptr;
TfNumerUnikatowy* fNumerUnikatowy = nullptr;
TfOdczytStawek* fOdczytStawek = nullptr;
TfNumerKasy* fNumerKasy = nullptr;
TfIloscWierszy* fIloscWierszy = nullptr;
TfSposobZaokraglania* fSposobZaokraglania = nullptr;
TAboutBox* AboutBox = nullptr;
TfTestWyswietlacza* fTestWyswietlacza = nullptr;
TfPrzestawianie* fPrzestawianie = nullptr;
TfDataINumer* fDataINumer = nullptr;
TfUstawienia* fUstawienia = nullptr;
TfDataEuroPrzeglad* fDataEuroPrzeglad = nullptr;
TfReklama* fReklama = nullptr;
TfTekstyReklamowe* fTekstyReklamowe = nullptr;
TfReklamaOdczyt* fReklamaOdczyt = nullptr;

namespace {

// Deletes a form and forgets it.
template <typename Form>
void Destroy(Form*& form) {
  delete form;
  form = nullptr;
}

}  // namespace

void CreateForms() {
  GlowneOkno = new TGlowneOkno;
  Komunikacja = new TKomunikacja;
  fOkresoweWgNumerow = new TfOkresoweWgNumerow(GlowneOkno);
  fDataGodzina = new TfDataGodzina(GlowneOkno);
  fBajtyStatusu = new TfBajtyStatusu(GlowneOkno);
  fRaportyOkresoweWgDat = new TfRaportyOkresoweWgDat(GlowneOkno);
  fOkresoweMiesieczne = new TfOkresoweMiesieczne(GlowneOkno);
  fUstawZegar = new TfUstawZegar(GlowneOkno);
  fDaneUzytkownika = new TfDaneUzytkownika(GlowneOkno);
  fStawkiPodatkowe = new TfStawkiPodatkowe(GlowneOkno);
  fNumerUnikatowy = new TfNumerUnikatowy(GlowneOkno);
  fOdczytStawek = new TfOdczytStawek(GlowneOkno);
  fNumerKasy = new TfNumerKasy(GlowneOkno);
  fIloscWierszy = new TfIloscWierszy(GlowneOkno);
  fSposobZaokraglania = new TfSposobZaokraglania(GlowneOkno);
  AboutBox = new TAboutBox(GlowneOkno);
  fTestWyswietlacza = new TfTestWyswietlacza(GlowneOkno);
  fPrzestawianie = new TfPrzestawianie(GlowneOkno);
  fDataINumer = new TfDataINumer(GlowneOkno);
  fUstawienia = new TfUstawienia(GlowneOkno);
  fDataEuroPrzeglad = new TfDataEuroPrzeglad(GlowneOkno);
  fReklama = new TfReklama(GlowneOkno);
  fTekstyReklamowe = new TfTekstyReklamowe(GlowneOkno);
  fReklamaOdczyt = new TfReklamaOdczyt(GlowneOkno);
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
  Destroy(fReklamaOdczyt);
  Destroy(fTekstyReklamowe);
  Destroy(fReklama);
  Destroy(fDataEuroPrzeglad);
  Destroy(fUstawienia);
  Destroy(fDataINumer);
  Destroy(fPrzestawianie);
  Destroy(fTestWyswietlacza);
  Destroy(AboutBox);
  Destroy(fSposobZaokraglania);
  Destroy(fIloscWierszy);
  Destroy(fNumerKasy);
  Destroy(fOdczytStawek);
  Destroy(fNumerUnikatowy);
  Destroy(fStawkiPodatkowe);
  Destroy(fDaneUzytkownika);
  Destroy(fUstawZegar);
  Destroy(fOkresoweMiesieczne);
  Destroy(fRaportyOkresoweWgDat);
  Destroy(fBajtyStatusu);
  Destroy(fDataGodzina);
  Destroy(fOkresoweWgNumerow);
  Destroy(Komunikacja);
  Destroy(GlowneOkno);
}

}  // namespace sigra::app
