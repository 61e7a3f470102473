#include "fileio/export_command.h"

#include "common/edit_box.h"
#include "common/file_io.h"

void ExportResults(FileDialog& dialog, HWND resultsBox) {
  // Written at every press, so every export shows the same dialog.
  dialog.SetKind(FileDialog::kSave);
  dialog.SetFilter("文本文件(*.txt)|*.txt|");
  if (!dialog.Show()) return;
  // The box is read after the dialog has closed: the file holds the text of
  // that moment.
  const Bytes data = TextToBytes(GetControlText(resultsBox));
  WriteWholeFile(dialog.fileName(), data);
}
