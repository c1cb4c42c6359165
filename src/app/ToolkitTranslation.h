#pragma once

class QCoreApplication;

// The toolkit's own words (the dialogs' buttons and labels, a message box's OK) in the language of
// the player's texts, from the toolkit's installed translations. The translator installed (owned by
// app), or null when the translations are not installed.
class QTranslator;
QTranslator* LoadToolkitTranslation(QCoreApplication& app);
