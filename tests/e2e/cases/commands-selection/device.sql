-- Newest first in the list: Anna, a record with neither name nor number,
-- Bert, and a number without a name.
INSERT INTO calllog (start_time, end_time, iom, number, name) VALUES
  (ft('2024-03-05 09:00:00'), ft('2024-03-05 09:01:00'), 1, '+4930123456', 'Anna'),
  (ft('2024-03-04 09:00:00'), ft('2024-03-04 09:01:00'), 7, NULL, NULL),
  (ft('2024-03-03 09:00:00'), ft('2024-03-03 09:01:00'), 2, '5551234', 'Bert'),
  (ft('2024-03-02 09:00:00'), ft('2024-03-02 09:01:00'), 0, '0170 555 123', NULL);
