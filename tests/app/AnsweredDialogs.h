#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/FileSaving.h"

// The window's warning boxes and save dialogs answered by a test instead of a person: the
// boxes' texts and the dialogs' requests are kept, and every dialog answers `answer` (a
// path, or empty for "cancelled") after running `onDialog`, where set, with the kind of file
// `chosenFilter` (where set) chosen.
struct TAnsweredDialogs {
  std::vector<QString> boxes;
  std::vector<TSaveDialogRequest> requests;
  QString answer;
  QString chosenFilter;
  std::function<void()> onDialog;

  void Install() {
    SetMessageBoxHook([this](TBoxKind, const QString& text) { boxes.push_back(text); });
    SetSaveDialogHook([this](TSaveDialogRequest& request) {
      if (!chosenFilter.isEmpty()) request.chosenFilter = chosenFilter;
      requests.push_back(request);
      if (onDialog) onDialog();
      return answer;
    });
  }
  static void Remove() {
    SetMessageBoxHook({});
    SetSaveDialogHook({});
  }
};
