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
class TfRaportyOkresoweWgDat;
class TfOkresoweMiesieczne;
class TfUstawZegar;
class TfPrzestawianie;
class TfReklama;
class TfTekstyReklamowe;
class TfReklamaOdczyt;

extern TGlowneOkno* GlowneOkno;
extern TKomunikacja* Komunikacja;
extern TfOkresoweWgNumerow* fOkresoweWgNumerow;
extern TfDataGodzina* fDataGodzina;
extern TfRaportyOkresoweWgDat* fRaportyOkresoweWgDat;
extern TfOkresoweMiesieczne* fOkresoweMiesieczne;
extern TfUstawZegar* fUstawZegar;
extern TAboutBox* AboutBox;
extern TfPrzestawianie* fPrzestawianie;
extern TfReklama* fReklama;
extern TfTekstyReklamowe* fTekstyReklamowe;
extern TfReklamaOdczyt* fReklamaOdczyt;

// Creates the forms in order; the main window first.
void CreateForms();
// Destroys them in reverse order.
void DestroyForms();

}  // namespace sigra::app

#endif
