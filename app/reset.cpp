// Start values of every process-wide variable, for tests that run the whole program more than once.
#include "app/app.h"
#include "browser/browser.h"
#include "document/document.h"
#include "document/textfile.h"
#include "editing/editor.h"
#include "editing/find.h"
#include "editing/font_chooser.h"
#include "editing/mark.h"
#include "settings/recent.h"
#include "settings/settings.h"

void ResetProgramState() {
    ResetApplicationState();
    ResetEditorState();
    ResetFindState();
    ResetFontChooserState();
    ResetMarkState();
    ResetDocumentState();
    ResetTextFileState();
    ResetSettingsState();
    ResetRecentFilesState();
    ResetBrowserState();
}
