#include "app/Forms.h"

#include "app/TMainForm.h"
#include "app/TOptions.h"
#include "app/Trename.h"
#include "cd/TCdMsgForm.h"
#include "id3/Tid3editormain.h"
#include "rip/TRipPropressForm.h"

std::unique_ptr<TMainForm> CreateForms() {
  auto mainForm = std::make_unique<TMainForm>();
  TMainForm* owner = mainForm.get();
  TForms forms;
  forms.Options = new TOptions(owner, [owner] { return owner->Settings(); });
  forms.Rename = new Trename(owner);
  forms.CdMsgForm = new TCdMsgForm(owner);
  forms.CdMsgForm->Lookup = [owner] { return owner->GetTrackList_cddb(); };
  forms.RipPropressForm = new TRipPropressForm(owner);
  forms.RipPropressForm->Settings = [owner] { return owner->Settings(); };
  forms.RipPropressForm->JobInput = [owner] { return owner->RipJobInput(); };
  forms.RipPropressForm->RowUnchecked = [owner](std::size_t row) { owner->UncheckRow(row); };
  forms.Id3editormain = new Tid3editormain(owner);
  mainForm->SetForms(forms);
  return mainForm;
}
