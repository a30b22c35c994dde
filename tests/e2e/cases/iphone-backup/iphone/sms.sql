-- Two SMS from Anna and one to her; an iMessage of hers counts in a store
-- of its own, not as SMS; a reaction is no message.
INSERT INTO handle VALUES (1, '+491701234567', 'SMS');
INSERT INTO chat VALUES (1, 'SMS;-;+491701234567', '+491701234567');
INSERT INTO chat_handle_join VALUES (1, 1);
INSERT INTO message (ROWID, guid, text, handle_id, service, date, is_from_me, is_sent, associated_message_type) VALUES
  (1, 'G1', 'Hallo', 1, 'SMS', (strftime('%s', '2024-05-04 08:00:00') - 978307200) * 1000000000, 0, 0, 0),
  (2, 'G2', 'Bis gleich', 1, 'SMS', (strftime('%s', '2024-05-04 09:00:00') - 978307200) * 1000000000, 0, 0, 0),
  (3, 'G3', 'Ja', 0, 'SMS', (strftime('%s', '2024-05-04 10:00:00') - 978307200) * 1000000000, 1, 1, 0),
  (4, 'G4', 'Per iMessage', 1, 'iMessage', (strftime('%s', '2024-05-04 11:00:00') - 978307200) * 1000000000, 0, 0, 0),
  (5, 'G5', 'Liked', 1, 'SMS', (strftime('%s', '2024-05-04 12:00:00') - 978307200) * 1000000000, 1, 1, 2001);
INSERT INTO chat_message_join VALUES (1, 1), (1, 2), (1, 3), (1, 5);
