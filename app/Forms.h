#pragma once
// Every window of the program, created once at start in a fixed order and living until the end.

#include <memory>

class TMainForm;
class TOptions;
class Trename;
class TCdMsgForm;
class TRipPropressForm;
class Tid3editormain;

// The dialogs the main window shows; the main window owns them.
struct TForms {
  TOptions* Options = nullptr;
  Trename* Rename = nullptr;
  TCdMsgForm* CdMsgForm = nullptr;
  TRipPropressForm* RipPropressForm = nullptr;
  Tid3editormain* Id3editormain = nullptr;
};

// Creates the main window, then each dialog in the program's order.
std::unique_ptr<TMainForm> CreateForms();
