-- Incoming calls of 30.9 s and 29.9 s, each cut to whole seconds (59 s);
-- a call of exactly one hour out; a record that ends before it starts adds
-- nothing; a missed call and two of unknown directions count as missed.
INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
  (ft('2024-03-10 09:00:00'), ft('2024-03-10 09:00:30.900'), 1, '+4930123456', 'Anna'),
  (ft('2024-03-11 10:00:00'), ft('2024-03-11 10:00:29.900'), 1, '5551234', NULL),
  (ft('2024-03-12 18:00:00'), ft('2024-03-12 19:00:00'), 2, '5551234', 'Bert'),
  (ft('2024-03-13 18:00:00'), ft('2024-03-13 17:00:00'), 1, '5551234', 'Bert'),
  (ft('2024-03-13 20:00:00'), ft('2024-03-13 20:00:00'), 0, '5551234', 'Bert'),
  (ft('2024-03-14 08:00:00'), ft('2024-03-14 08:05:00'), 3, '5551234', 'Bert'),
  (ft('2024-03-14 09:00:00'), ft('2024-03-14 09:05:00'), -1, NULL, NULL);
-- Every message of Inbox and Sent Items counts, with or without a time or
-- a sender; drafts do not.
INSERT INTO message (folder_id, sender_name, delivery_time, body) VALUES
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Anna', ft('2024-03-10 09:00:00'), 'hi'),
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Bert', ft('2024-03-11 09:00:00'), 'hello'),
  ((SELECT id FROM folder WHERE role = 'inbox'), NULL, NULL, 'no sender, no time'),
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Carl', ft('2020-01-01 00:00:00'), 'old'),
  ((SELECT id FROM folder WHERE role = 'sent'), NULL, ft('2024-03-10 09:05:00'), 'back'),
  ((SELECT id FROM folder WHERE role = 'sent'), NULL, ft('2024-03-12 09:05:00'), 'again'),
  ((SELECT id FROM folder WHERE role = 'drafts'), NULL, NULL, 'unsent');
