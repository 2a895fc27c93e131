#pragma once

// SOCI as the store uses it. Debian builds SOCI with its Boost integration switched on
// in soci-config.h, which makes soci.h include Boost headers; that integration is only
// inline conversions for Boost types, which the store never uses, so it is switched
// off here and Boost is not needed to build.
#include <soci/soci-config.h>
#undef SOCI_HAVE_BOOST
#undef SOCI_HAVE_BOOST_DATE_TIME

#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
