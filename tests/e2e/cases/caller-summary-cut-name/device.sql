-- A name longer than the main window reads back: its first 254 characters
-- are nobody's caller key.
INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
  (ft('2024-03-05 08:07:03'), ft('2024-03-05 08:08:08'), 1, '111', replace(hex(zeroblob(150)), '0', 'x'));
