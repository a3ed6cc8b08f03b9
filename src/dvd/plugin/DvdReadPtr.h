#pragma once

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <memory>

namespace mw::dvd {

template <auto Free>
struct DvdReadDeleter {
    template <typename T>
    void operator()(T* handle) const {
        Free(handle);
    }
};

using DvdReaderPtr = std::unique_ptr<dvd_reader_t, DvdReadDeleter<DVDClose>>;
using IfoPtr = std::unique_ptr<ifo_handle_t, DvdReadDeleter<ifoClose>>;
using DvdFilePtr = std::unique_ptr<dvd_file_t, DvdReadDeleter<DVDCloseFile>>;

}  // namespace mw::dvd
