#include "firmware/image_form_part.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Read position in the shared image; one per part, owned by the part (freed by libcurl).
struct ImageReader {
  const unsigned char* data;
  std::size_t size;
  std::size_t offset;
};

std::size_t ReadImage(char* buffer, std::size_t size, std::size_t count, void* arg) {
  auto* reader = static_cast<ImageReader*>(arg);
  const std::size_t left = reader->size - reader->offset;
  const std::size_t n = left < size * count ? left : size * count;
  if (n > 0) std::memcpy(buffer, reader->data + reader->offset, n);
  reader->offset += n;
  return n;
}

int SeekImage(void* arg, curl_off_t offset, int origin) {
  auto* reader = static_cast<ImageReader*>(arg);
  curl_off_t base = 0;
  if (origin == SEEK_CUR) base = static_cast<curl_off_t>(reader->offset);
  if (origin == SEEK_END) base = static_cast<curl_off_t>(reader->size);
  const curl_off_t target = base + offset;
  if (target < 0 || target > static_cast<curl_off_t>(reader->size)) return CURL_SEEKFUNC_FAIL;
  reader->offset = static_cast<std::size_t>(target);
  return CURL_SEEKFUNC_OK;
}

void FreeReader(void* arg) { std::unique_ptr<ImageReader>{static_cast<ImageReader*>(arg)}; }

}  // namespace

bool AddFirmwareImagePart(CCurlRequest::CCurlFormData& form, const unsigned char* image, std::size_t size) {
  if (form.GetForm() == nullptr || image == nullptr || size == 0) return false;
  curl_mimepart* part = curl_mime_addpart(form.GetForm());
  if (part == nullptr) return false;
  if (curl_mime_name(part, kFirmwarePartName) != CURLE_OK) return false;
  if (curl_mime_filename(part, kFirmwarePartFileName) != CURLE_OK) return false;
  if (curl_mime_type(part, "application/octet-stream") != CURLE_OK) return false;
  std::unique_ptr<ImageReader> reader;
  try {
    reader = std::make_unique<ImageReader>(ImageReader{image, size, 0});
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (curl_mime_data_cb(part, static_cast<curl_off_t>(size), &ReadImage, &SeekImage, &FreeReader, reader.get()) !=
      CURLE_OK) {
    return false;
  }
  reader.release();  // the part owns the reader now and frees it through FreeReader
  return true;
}
