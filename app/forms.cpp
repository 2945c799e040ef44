#include "app/forms.h"

#include "app/about_box.h"
#include "app/glowne_okno.h"
#include "app/komunikacja.h"
#include "dialogs/f_bajty_statusu.h"
#include "dialogs/f_dane_uzytkownika.h"
#include "dialogs/f_data_euro_przeglad.h"
#include "dialogs/f_data_i_numer.h"
#include "dialogs/f_ilosc_wierszy.h"
#include "dialogs/f_numer_kasy.h"
#include "dialogs/f_numer_unikatowy.h"
#include "dialogs/f_sposob_zaokraglania.h"
#include "dialogs/f_test_wyswietlacza.h"

namespace sigra::app {

TGlowneOkno* GlowneOkno = nullptr;
TKomunikacja* Komunikacja = nullptr;
TfBajtyStatusu* fBajtyStatusu = nullptr;
TfDaneUzytkownika* fDaneUzytkownika = nullptr;
TfNumerUnikatowy* fNumerUnikatowy = nullptr;
TfNumerKasy* fNumerKasy = nullptr;
TfIloscWierszy* fIloscWierszy = nullptr;
TfSposobZaokraglania* fSposobZaokraglania = nullptr;
TAboutBox* AboutBox = nullptr;
TfTestWyswietlacza* fTestWyswietlacza = nullptr;
TfDataINumer* fDataINumer = nullptr;
TfDataEuroPrzeglad* fDataEuroPrzeglad = nullptr;

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
  fBajtyStatusu = new TfBajtyStatusu(GlowneOkno);
  fDaneUzytkownika = new TfDaneUzytkownika(GlowneOkno);
  fNumerUnikatowy = new TfNumerUnikatowy(GlowneOkno);
  fNumerKasy = new TfNumerKasy(GlowneOkno);
  fIloscWierszy = new TfIloscWierszy(GlowneOkno);
  fSposobZaokraglania = new TfSposobZaokraglania(GlowneOkno);
  AboutBox = new TAboutBox(GlowneOkno);
  fTestWyswietlacza = new TfTestWyswietlacza(GlowneOkno);
  fDataINumer = new TfDataINumer(GlowneOkno);
  fDataEuroPrzeglad = new TfDataEuroPrzeglad(GlowneOkno);
}

void DestroyForms() {
  Destroy(fDataEuroPrzeglad);
  Destroy(fDataINumer);
  Destroy(fTestWyswietlacza);
  Destroy(AboutBox);
  Destroy(fSposobZaokraglania);
  Destroy(fIloscWierszy);
  Destroy(fNumerKasy);
  Destroy(fNumerUnikatowy);
  Destroy(fDaneUzytkownika);
  Destroy(fBajtyStatusu);
  Destroy(Komunikacja);
  Destroy(GlowneOkno);
}

}  // namespace sigra::app
