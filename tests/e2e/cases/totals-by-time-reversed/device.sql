-- Around 2024-03-11 in Berlin (UTC+1): what lies wholly inside the local
-- day counts, what starts the evening before or ends after midnight does not.
INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
  (ft('2024-03-10 23:00:00'), ft('2024-03-10 23:00:30.900'), 1, '+4930123456', 'Anna'),
  (ft('2024-03-10 22:59:00'), ft('2024-03-10 23:01:00'), 1, '+4930123456', 'Anna'),
  (ft('2024-03-11 22:58:00'), ft('2024-03-11 22:59:00'), 2, '5551234', 'Bert'),
  (ft('2024-03-11 22:59:50'), ft('2024-03-11 23:00:10'), 2, '5551234', 'Bert'),
  (ft('2024-03-11 12:00:00'), ft('2024-03-11 12:00:00'), 5, NULL, NULL),
  (ft('2024-03-12 12:00:00'), ft('2024-03-12 12:00:00'), 0, '5551234', 'Bert');
INSERT INTO message (folder_id, sender_name, delivery_time, body) VALUES
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Anna', ft('2024-03-10 23:00:00'), 'first moment'),
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Anna', ft('2024-03-11 10:00:00'), 'midday'),
  ((SELECT id FROM folder WHERE role = 'inbox'), 'Anna', ft('2024-03-11 23:00:00'), 'next day'),
  ((SELECT id FROM folder WHERE role = 'sent'), NULL, ft('2024-03-11 22:59:59'), 'last second'),
  ((SELECT id FROM folder WHERE role = 'sent'), NULL, NULL, 'no time');
