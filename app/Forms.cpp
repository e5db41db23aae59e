#include "app/Forms.h"

#include <QLineEdit>

#include "app/TAboutForm.h"
#include "app/TMainForm.h"
#include "app/TOptions.h"
#include "app/TReadOffsetForm.h"
#include "app/TBatchForm.h"
#include "app/Trename.h"
#include "cd/TCdMsgForm.h"
#include "id3/Tid3editormain.h"
#include "platform/ProgramFolder.h"
#include "platform/qtseams/GrowWithFont.h"
#include "rip/TRipPropressForm.h"
#include "tools/Tmixer.h"
#include "tools/Togg2mp3.h"
#include "tools/Togg2wav.h"
#include "tools/Toggplayer.h"
#include "tools/Trecorder.h"
#include "tools/Twav2mp3.h"
#include "tools/Twav2ogg.h"

std::unique_ptr<TMainForm> CreateForms() {
  auto mainForm = std::make_unique<TMainForm>();
  TMainForm* owner = mainForm.get();
  TForms forms;
  forms.AboutForm = new TAboutForm(owner);
  forms.Options = new TOptions(owner, [owner] { return owner->Settings(); });
  forms.Options->Drive = [owner] { return std::string(owner->Drives().CurrentDrive().id); };
  forms.Options->DetectReadOffset = [owner] { owner->DetectReadOffset1Click(); };
  forms.Rename = new Trename(owner);
  forms.CdMsgForm = new TCdMsgForm(owner);
  forms.CdMsgForm->Lookup = [owner] { return owner->GetTrackList_cddb(); };
  forms.mixer = new Tmixer(owner);
  forms.RipPropressForm = new TRipPropressForm(owner);
  forms.RipPropressForm->Settings = [owner] { return owner->Settings(); };
  forms.RipPropressForm->JobInput = [owner] { return owner->RipJobInput(); };
  forms.RipPropressForm->RowUnchecked = [owner](std::size_t row) { owner->UncheckRow(row); };
  forms.recorder = new Trecorder(owner);
  forms.oggplayer = new Toggplayer(owner);
  forms.wav2mp3 = new Twav2mp3(owner);
  forms.ogg2wav = new Togg2wav(owner);
  forms.wav2ogg = new Twav2ogg(owner);
  forms.ogg2mp3 = new Togg2mp3(owner);
  forms.Id3editormain = new Tid3editormain(owner);
  forms.ReadOffsetForm = new TReadOffsetForm(owner);
  forms.ReadOffsetForm->Input = [owner] { return owner->ReadOffsetInput(); };
  forms.ReadOffsetForm->Settings = [owner] { return owner->Settings(); };
  forms.BatchForm = new TBatchForm(owner);
  forms.BatchForm->SettingsPath = [] { return SettingsFile(); };
  forms.BatchForm->DriveNames = [owner] { return owner->Drives().Identifications(); };
  forms.BatchForm->OutputFolder = [owner] { return owner->spSkinEdit1->text(); };
  mainForm->SetForms(forms);
  // The rip window keeps its size: it sets it for every job.
  for (QWidget* window : std::initializer_list<QWidget*>{
           owner, forms.AboutForm, forms.Options, forms.Rename, forms.CdMsgForm, forms.mixer, forms.recorder,
           forms.oggplayer, forms.wav2mp3, forms.ogg2wav, forms.wav2ogg, forms.ogg2mp3, forms.Id3editormain})
    GrowWithFont(window);
  return mainForm;
}
