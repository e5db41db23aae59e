#pragma once
// Every window of the program, created once at start in a fixed order and living until the end.

#include <memory>

class TMainForm;
class TAboutForm;
class TOptions;
class Trename;
class TCdMsgForm;
class Tmixer;
class TReadOffsetForm;
class TBatchForm;
class TRipPropressForm;
class Tid3editormain;
class Togg2mp3;
class Togg2wav;
class Toggplayer;
class Trecorder;
class Twav2mp3;
class Twav2ogg;

// The dialogs the main window shows; the main window owns them.
struct TForms {
  TAboutForm* AboutForm = nullptr;
  TOptions* Options = nullptr;
  Trename* Rename = nullptr;
  TCdMsgForm* CdMsgForm = nullptr;
  Tmixer* mixer = nullptr;
  TRipPropressForm* RipPropressForm = nullptr;
  Trecorder* recorder = nullptr;
  Toggplayer* oggplayer = nullptr;
  Twav2mp3* wav2mp3 = nullptr;
  Togg2wav* ogg2wav = nullptr;
  Twav2ogg* wav2ogg = nullptr;
  Togg2mp3* ogg2mp3 = nullptr;
  Tid3editormain* Id3editormain = nullptr;
  TReadOffsetForm* ReadOffsetForm = nullptr;
  TBatchForm* BatchForm = nullptr;
};

// Creates the main window, then each dialog in the program's order.
std::unique_ptr<TMainForm> CreateForms();
