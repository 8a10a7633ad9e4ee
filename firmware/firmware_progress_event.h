#pragma once
// The progress event a firmware worker posts to its job's receiver: step code, percent
// (0-99) and the job's index, packed as the camera list's progress message carries them.

#include <QEvent>

// Event type of firmware progress, registered once per process (0x8FCF when free).
int FirmwareProgressMessage();

class CFirmwareProgressEvent : public QEvent {
 public:
  CFirmwareProgressEvent(int type, int stepCode, int percent, int index);

  int StepCode() const { return static_cast<int>(m_wParam & 0xFFFFu); }
  int Percent() const { return static_cast<int>((m_wParam >> 16) & 0xFFFFu); }
  int Index() const { return m_lParam; }
  // Low word step code, high word percent.
  unsigned WParam() const { return m_wParam; }

 private:
  unsigned m_wParam;
  int m_lParam;
};
