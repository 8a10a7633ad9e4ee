#pragma once
// CBatchProgressLines: receives the progress events of the command-line update's
// workers on the main thread, prints one line per event and ends the event loop when
// every job has sent its final event.

#include <QObject>
#include <iosfwd>
#include <string>
#include <vector>

class QEventLoop;

class CBatchProgressLines : public QObject {
 public:
  // names: one per job index. running: jobs that will send a final event.
  CBatchProgressLines(std::vector<std::string> names, int running, std::ostream& out, QEventLoop& loop);

  bool event(QEvent* event) override;

  int Running() const { return m_running; }

  // What a step code means, for the progress lines.
  static const char* StepText(int stepCode, int percent);

 private:
  std::vector<std::string> m_names;
  int m_running;
  std::ostream& m_out;
  QEventLoop& m_loop;
};
