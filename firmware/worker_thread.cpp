#include "firmware/worker_thread.h"

#include <chrono>

#include "firmware/camera_job.h"
#include "firmware/camera_worker.h"

CFirmwareWorkerThread::~CFirmwareWorkerThread() {
  if (!m_started) return;
  {
    std::lock_guard<std::mutex> lock(m_gateLock);
    if (!m_resumed && m_job != nullptr) m_job->cancel = true;
  }
  Resume();
  if (m_thread.joinable()) m_thread.join();
}

bool CFirmwareWorkerThread::StartSuspended(FirmwareJob* job) {
  if (m_started) return false;
  m_job = job;
  try {
    m_thread = boost::thread(&CFirmwareWorkerThread::Main, this);
  } catch (const std::exception&) {
    return false;
  }
  m_started = true;
  return true;
}

void CFirmwareWorkerThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(m_gateLock);
    m_resumed = true;
  }
  m_gate.notify_all();
}

void CFirmwareWorkerThread::Main() {
  {
    std::unique_lock<std::mutex> lock(m_gateLock);
    m_gate.wait(lock, [this] { return m_resumed; });
  }
  m_exitCode.store(static_cast<int>(FWUpdateThread(m_job)));
  {
    std::lock_guard<std::mutex> lock(m_gateLock);
    m_finished = true;
  }
  m_gate.notify_all();
}

bool CFirmwareWorkerThread::Wait(int timeoutMs) {
  if (!m_thread.joinable()) return true;
  if (timeoutMs >= 0) {
    std::unique_lock<std::mutex> lock(m_gateLock);
    if (!m_gate.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_finished; })) return false;
  }
  m_thread.join();
  return true;
}

bool CFirmwareWorkerThread::GetExitCode(int& code) const {
  if (!m_started) return false;
  code = m_exitCode.load();
  return true;
}
