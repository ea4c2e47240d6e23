#pragma once
// Qt's own texts (the buttons of message boxes, the file, print and calendar dialogs) in
// Portuguese, from Qt's translation qtbase_pt_BR and the Brazilian default locale. Both programs
// load them at start-up.
#include <QString>

namespace plataforma {

// Loads qtbase_pt_BR from `pasta` (empty: Qt's translations folder) into the running application.
// When it cannot be loaded the program goes on in Qt's English and names the file it could not
// load on standard error only. True when the translation is in place.
bool CarregarTraducaoQt(const QString& pasta = QString());

}  // namespace plataforma
