#include "firmware/firmware_job_thread.h"

#include <chrono>

#include "firmware/firmware_job.h"
#include "firmware/fw_update_thread.h"

CFirmwareJobThread::~CFirmwareJobThread() {
  if (!m_started) return;
  {
    std::lock_guard<std::mutex> lock(m_gateLock);
    if (!m_resumed && m_job != nullptr) m_job->cancel = true;
  }
  Resume();
  if (m_thread.joinable()) m_thread.join();
}

bool CFirmwareJobThread::StartSuspended(FirmwareJob* job) {
  if (m_started) return false;
  m_job = job;
  try {
    m_thread = boost::thread(&CFirmwareJobThread::Main, this);
  } catch (const std::exception&) {
    return false;
  }
  m_started = true;
  return true;
}

void CFirmwareJobThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(m_gateLock);
    m_resumed = true;
  }
  m_gate.notify_all();
}

void CFirmwareJobThread::Main() {
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

bool CFirmwareJobThread::Wait(int timeoutMs) {
  if (!m_thread.joinable()) return true;
  if (timeoutMs >= 0) {
    std::unique_lock<std::mutex> lock(m_gateLock);
    if (!m_gate.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_finished; })) return false;
  }
  m_thread.join();
  return true;
}

bool CFirmwareJobThread::GetExitCode(int& code) const {
  if (!m_started) return false;
  code = m_exitCode.load();
  return true;
}
