# Upload: request component, single and split upload, progress windows,
# against the reference server (upload_server.py) on 127.0.0.1.
add_library(mirlo_uploadtestsupport STATIC uploadserver.cpp uploadfixture.cpp)
target_link_libraries(mirlo_uploadtestsupport PUBLIC mirlo_testsupport mirlo_upload Qt6::Network)

mirlo_test(test_upload_request SOURCES test_httprequest.cpp LIBS mirlo_uploadtestsupport)
mirlo_test(test_upload_windows SOURCES test_progresswindows.cpp LIBS mirlo_uploadtestsupport)
mirlo_test(test_upload_single SOURCES test_webupload.cpp LIBS mirlo_uploadtestsupport)
mirlo_test(test_upload_split SOURCES test_splitupload.cpp LIBS mirlo_uploadtestsupport)
mirlo_test(test_upload_port80 SOURCES test_upload_port80.cpp LIBS mirlo_uploadtestsupport
  RESOURCE_LOCK port80)
