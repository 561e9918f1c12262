// Program entry: the main window first, then the dialogs, then the message loop.
#include <windows.h>
#include <commctrl.h>
#include "app/installer_commands.h"
#include "app/unit1.h"
#include "platform/handles.h"
#include "platform/messages.h"
#include "floating/set_blend_form.h"
#include "options/change_name_form.h"
#include "options/control_panel_page.h"
#include "options/quick_run_page.h"
#include "options/options_form.h"
#include "sysinfo/about_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  // The installer's requests; any other command line is not read.
  int exitCode = 0;
  if (corvel::RunInstallerCommand(commandLine, exitCode)) return exitCode;
  // One Corvel per session: a second one would share the journal and draw a second button.
  // It leaves at once, before it touches any file, hook or hot key.
  const corvel::KernelHandle running(CreateMutexA(nullptr, FALSE, corvel::kSingleInstanceMutex));
  if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  corvel::TForm1 form1;
  if (!form1.CreateForm()) return 1;
  corvel::TForm2 form2(form1);
  corvel::TAForm aForm(form1.Local);
  corvel::TSetBlendForm setBlendForm(form1);
  corvel::TChangeNameForm changeNameForm;
  form2.CreateForm(form1.hwnd());
  aForm.CreateForm(form1.hwnd());
  setBlendForm.CreateForm(form1.hwnd());
  changeNameForm.CreateForm(form1.hwnd());
  corvel::TQuickRunPage quickRunPage;
  corvel::TControlPanelPage controlPanelPage;
  quickRunPage.Attach(form2, form1, changeNameForm);
  controlPanelPage.Attach(form2);
  form1.SetForms(&form2, &aForm, &setBlendForm, &changeNameForm);
  form1.FormShow();
  const int code = corvel::RunMessageLoop();
  form1.FormDestroy();
  // At a log-off nothing is left to save: destroying each window would only wait on a desktop
  // busy with every window just shown again, so the system takes them with the process.
  if (form1.SessionEnded) ExitProcess(static_cast<UINT>(code));
  return code;
}
