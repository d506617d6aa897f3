# The send button and the mail hand-off: a sendmail stand-in on PATH runs msmtp
# against a test SMTP server (mail_server.py) on 127.0.0.1.
mirlo_test(test_mail
  SOURCES mail_chain.cpp mail_parse.cpp test_mail.cpp
  LIBS mirlo_send mirlo_mail PkgConfig::GMIME
  LABELS mail)
# GLib headers use "signals" as a name.
target_compile_definitions(test_mail PRIVATE QT_NO_KEYWORDS)

mirlo_test(test_send_button_web SOURCES test_sendbutton_web.cpp LIBS mirlo_send mirlo_uploadtestsupport)
