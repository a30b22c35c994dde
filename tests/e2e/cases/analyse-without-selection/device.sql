-- Anna has calls of every direction and messages either way; the caller
-- known only by number has one incoming call of 65 seconds and nothing else.
INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
  (ft('2024-03-07 08:00:00'), ft('2024-03-07 08:00:00'), 0, '111', 'Anna'),
  (ft('2024-03-06 12:00:00'), ft('2024-03-06 12:10:00'), 2, '222', 'Bert'),
  (ft('2024-03-06 08:00:00'), ft('2024-03-06 08:02:00'), 2, '111', 'Anna'),
  (ft('2024-03-05 08:07:03'), ft('2024-03-05 08:08:08'), 1, '0170 555', NULL),
  (ft('2024-03-05 07:00:00'), ft('2024-03-05 07:00:45'), 1, '111', 'Anna'),
  (ft('2024-02-10 08:00:00'), ft('2024-02-10 08:00:30'), 1, '0049111', 'Anna');
INSERT INTO message (folder_id, sender_name, delivery_time) VALUES
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Anna', ft('2024-03-04 10:00:00')),
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Anna', ft('2024-02-01 10:00:00')),
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Bert', ft('2024-02-29 11:00:00')),
  ((SELECT id FROM folder WHERE role = 'sent'), NULL, ft('2024-03-10 10:00:00'));
INSERT INTO recipient (message_id, position, display_name, email_address) VALUES
  ((SELECT max(id) FROM message), 0, 'Anna', '111');
