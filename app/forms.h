// The forms of the operator program. Program main creates each once, in this
// order, and they live until the program ends.
#ifndef SIGRA_APP_FORMS_H
#define SIGRA_APP_FORMS_H

namespace sigra::app {

class TGlowneOkno;
class TKomunikacja;
class TAboutBox;
class TfOkresoweWgNumerow;
class TfDataGodzina;
class TfBajtyStatusu;
class TfRaportyOkresoweWgDat;
class TfOkresoweMiesieczne;
class TfUstawZegar;
class TfDaneUzytkownika;
class TfStawkiPodatkowe;
class TfNumerUnikatowy;
class TfOdczytStawek;
class TfNumerKasy;
class TfIloscWierszy;
class TfSposobZaokraglania;
class TfTestWyswietlacza;
class TfPrzestawianie;
class TfDataINumer;
class TfUstawienia;
class TfDataEuroPrzeglad;
class TfReklama;
class TfTekstyReklamowe;
class TfReklamaOdczyt;

extern TGlowneOkno* GlowneOkno;
extern TKomunikacja* Komunikacja;
extern TfOkresoweWgNumerow* fOkresoweWgNumerow;
extern TfDataGodzina* fDataGodzina;
extern TfBajtyStatusu* fBajtyStatusu;
extern TfRaportyOkresoweWgDat* fRaportyOkresoweWgDat;
extern TfOkresoweMiesieczne* fOkresoweMiesieczne;
extern TfUstawZegar* fUstawZegar;
extern TfDaneUzytkownika* fDaneUzytkownika;
extern TfStawkiPodatkowe* fStawkiPodatkowe;
extern TfNumerUnikatowy* fNumerUnikatowy;
extern TfOdczytStawek* fOdczytStawek;
extern TfNumerKasy* fNumerKasy;
extern TfIloscWierszy* fIloscWierszy;
extern TfSposobZaokraglania* fSposobZaokraglania;
extern TAboutBox* AboutBox;
extern TfTestWyswietlacza* fTestWyswietlacza;
extern TfPrzestawianie* fPrzestawianie;
extern TfDataINumer* fDataINumer;
extern TfUstawienia* fUstawienia;
extern TfDataEuroPrzeglad* fDataEuroPrzeglad;
extern TfReklama* fReklama;
extern TfTekstyReklamowe* fTekstyReklamowe;
extern TfReklamaOdczyt* fReklamaOdczyt;

// Creates the forms in order; the main window first.
void CreateForms();
// Destroys them in reverse order.
void DestroyForms();

}  // namespace sigra::app

#endif
