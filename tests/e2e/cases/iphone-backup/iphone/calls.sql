-- Anna's number written three ways, and a FaceTime call from a stranger.
INSERT INTO ZCALLRECORD (ZDATE, ZDURATION, ZORIGINATED, ZANSWERED, ZADDRESS, ZCALLTYPE, ZSERVICE_PROVIDER, ZUNIQUE_ID)
VALUES
  (strftime('%s', '2024-05-01 08:00:00') - 978307200, 65, 0, 1, '0170 1234567', 1, 'com.apple.Telephony', 'C1'),
  (strftime('%s', '2024-05-01 09:00:00') - 978307200, 120, 1, 1, '(0170) 123-4567', 1, 'com.apple.Telephony', 'C2'),
  (strftime('%s', '2024-05-02 10:00:00') - 978307200, 0, 0, 0, '+491701234567', 1, 'com.apple.Telephony', 'C3'),
  (strftime('%s', '2024-05-03 11:00:00') - 978307200, 30, 0, 1, '+4915199999999', 16, 'com.apple.FaceTime', 'C4');
