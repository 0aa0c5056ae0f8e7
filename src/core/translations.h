#pragma once

class QCoreApplication;

// Loads Qt's own Spanish texts (qtbase_es: the file chooser, the print dialog, standard
// buttons) into the application: from a "translations" folder beside the program when there
// is one (a copied installation), else from Qt's. Returns false when neither has them; the
// program then goes on with Qt's English texts.
bool LoadQtSpanishTranslations(QCoreApplication &app);
